#pragma once
#include "acquisition/Line.h"
#include "acquisition/SerialPort.h"

// The serial port as a line: opened with the frame of the settings, read
// until 60 ms of silence, 256 bytes or the receive timeout, as always.
class CSerialLine : public CLine {
public:
    CLineAddress::Kind Kind() const override { return CLineAddress::Kind::Device; }
    // The serial port opens the device the port map gives for the port
    // number of address.
    void Open(const CLineAddress& address, const CSerialFrame& frame) override;
    void Close() override { port.Close(); }
    bool IsOpen() const override { return port.IsOpen(); }
    void SetTimeouts(const COMMTIMEOUTS& timeouts) override { port.SetTimeouts(timeouts); }
    CLineRead Read(unsigned char* buffer, std::size_t count) override;
    void InterruptRead() override { port.InterruptRead(); }
    void ClearInterrupt() override { port.ClearInterrupt(); }
    std::string FrameKept() const override { return port.GetFrameKept(); }
    std::string Name() const override { return port.GetDevicePath(); }

private:
    CSerialPort port;
};
