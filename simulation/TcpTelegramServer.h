#pragma once
#include <vector>

#include "acquisition/SocketAddress.h"
#include "simulation/TelegramSink.h"

// A TCP port as the simulator's sink, the way a serial device server
// offers a line: every telegram goes to every connected client as it is
// written. Clients may come and go. Telegrams start with the first client.
// A client is never waited for: one that would fall more than
// kClientBacklog bytes behind, or that hung up, is dropped, and the others
// go on.
class CTcpTelegramServer : public CTelegramSink {
public:
    static constexpr int kClientBacklog = 64 * 1024;

    // Listens on address (port 0: one the system picks). Throws
    // std::runtime_error with the reason when the address cannot be used.
    explicit CTcpTelegramServer(const CSocketAddress& address);
    ~CTcpTelegramServer() override;
    CTcpTelegramServer(const CTcpTelegramServer&) = delete;
    CTcpTelegramServer& operator=(const CTcpTelegramServer&) = delete;

    // Where it listens, with the port the system picked.
    const CSocketAddress& LocalAddress() const { return local; }

    bool WaitUntilReady(const StopRequested& stopRequested) override;
    bool Send(const std::string& telegram, const StopRequested& stopRequested, std::string& error) override;

private:
    static bool SendWhole(int client, const std::string& telegram);
    void AcceptWaitingClients();
    void DropHungUpClients();
    void Drop(std::size_t client);

    int listener = -1;
    CSocketAddress local;
    std::vector<int> clients;
};
