#include "simulation/TcpTelegramServer.h"

#include <netinet/in.h>
#include <linux/sockios.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "simulation/HostPort.h"
#include "simulation/SystemError.h"

namespace {
constexpr int kListenBacklog = 16;
} // namespace

CTcpTelegramServer::CTcpTelegramServer(const CSocketAddress& address)
{
    listener = ::socket(address.Family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener < 0)
        ThrowSystemError("TCP socket", errno);
    // A server started again at once gets its port back while the old
    // connections linger.
    const int yes = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (::bind(listener, address.Get(), address.length) != 0 || ::listen(listener, kListenBacklog) != 0) {
        const int error = errno;
        ::close(listener);
        ThrowSystemError("cannot listen on " + CHostPort::Of(address).Text(), error);
    }
    local.length = sizeof local.storage;
    getsockname(listener, reinterpret_cast<sockaddr*>(&local.storage), &local.length);
}

CTcpTelegramServer::~CTcpTelegramServer()
{
    for (int client : clients)
        ::close(client);
    ::close(listener);
}

bool CTcpTelegramServer::WaitUntilReady(const StopRequested& stopRequested)
{
    for (;;) {
        AcceptWaitingClients();
        DropHungUpClients();
        if (!clients.empty())
            return true;
        if (stopRequested())
            return false;
        pollfd waiting{listener, POLLIN, 0};
        ::poll(&waiting, 1, kStopCheckMs);
    }
}

bool CTcpTelegramServer::Send(const std::string& telegram, const StopRequested&, std::string&)
{
    AcceptWaitingClients();
    DropHungUpClients();
    for (std::size_t i = clients.size(); i-- > 0;) {
        if (!SendWhole(clients[i], telegram))
            Drop(i);
    }
    return true;
}

bool CTcpTelegramServer::SendWhole(int client, const std::string& telegram)
{
    // A client too far behind is dropped between telegrams, so that what
    // it has received ends with a whole one.
    int queued = 0;
    if (ioctl(client, SIOCOUTQ, &queued) != 0 || queued + static_cast<int>(telegram.size()) > kClientBacklog)
        return false;
    ssize_t sent;
    do
        sent = ::send(client, telegram.data(), telegram.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(telegram.size());
}

void CTcpTelegramServer::AcceptWaitingClients()
{
    for (;;) {
        const int client = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        // Each telegram leaves at once, not held back to join the next one.
        const int yes = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        // Room for the allowed backlog and the socket's own bookkeeping.
        const int room = 2 * kClientBacklog;
        setsockopt(client, SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
        clients.push_back(client);
    }
}

void CTcpTelegramServer::DropHungUpClients()
{
    std::vector<pollfd> watched;
    for (int client : clients)
        watched.push_back({client, POLLRDHUP, 0});
    if (::poll(watched.data(), watched.size(), 0) <= 0)
        return;
    for (std::size_t i = clients.size(); i-- > 0;) {
        if (watched[i].revents & (POLLRDHUP | POLLHUP | POLLERR))
            Drop(i);
    }
}

void CTcpTelegramServer::Drop(std::size_t client)
{
    ::close(clients[client]);
    clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(client));
}
