#pragma once
#include "acquisition/SocketLine.h"

// Telegrams as a byte stream from a TCP server, such as the raw port of a
// serial device server: read exactly as a serial line is (60 ms of silence,
// 256 bytes, the receive timeout). A connection refused, unreachable or
// dropped fails the opening or the read; the controller connects again
// about once a second. Nothing is ever sent to the server.
class CTcpLine : public CSocketLine {
public:
    CLineAddress::Kind Kind() const override { return CLineAddress::Kind::Tcp; }
    // Connects to the first of the host's addresses that answers, waiting a
    // few seconds at most for each.
    void Open(const CLineAddress& address, const CSerialFrame& frame) override;
    CLineRead Read(unsigned char* buffer, std::size_t count) override;

private:
    enum class Connection { Made, Failed, Interrupted };

    Connection Connect(const CSocketAddress& server, int& error);
    Connection AwaitConnection(int& error);
    // A server that vanishes without a word (power lost, cable cut) is
    // noticed within seconds of silence, rather than hours.
    void WatchForSilentDrop();
    CSerialException WhyTheStreamEnded(const CSerialException& failure) const;
};
