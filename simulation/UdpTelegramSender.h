#pragma once
#include "acquisition/SocketAddress.h"
#include "simulation/TelegramSink.h"

// A UDP peer as the simulator's sink: each telegram goes out as one
// datagram to one address (a host, or a multicast group). Nobody needs to
// listen: datagrams nobody takes are lost, as on a ship's network.
class CUdpTelegramSender : public CTelegramSink {
public:
    // Throws std::runtime_error with the reason when no socket can be had.
    explicit CUdpTelegramSender(const CSocketAddress& destination);
    ~CUdpTelegramSender() override;
    CUdpTelegramSender(const CUdpTelegramSender&) = delete;
    CUdpTelegramSender& operator=(const CUdpTelegramSender&) = delete;

    bool Send(const std::string& telegram, const StopRequested& stopRequested, std::string& error) override;

private:
    CSocketAddress destination;
    int fd = -1;
};
