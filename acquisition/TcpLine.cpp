#include "acquisition/TcpLine.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "acquisition/StreamRead.h"
#include "clock/Tickwarden.h"

namespace {

constexpr int kConnectWaitMs = 3000;  // the longest an opening waits for one address to answer

// Keep-alive probes: after 5 s without a byte, three probes 2 s apart.
constexpr int kKeepAliveIdleSeconds = 5;
constexpr int kKeepAliveIntervalSeconds = 2;
constexpr int kKeepAliveProbes = 3;

} // namespace

void CTcpLine::Open(const CLineAddress& address, const CSerialFrame&)
{
    BeginOpen(address);
    const auto servers = Resolve({address.host, address.port, AF_UNSPEC, SOCK_STREAM, false});
    if (!servers)
        return;
    int error = EHOSTUNREACH;
    for (const CSocketAddress& server : *servers) {
        switch (Connect(server, error)) {
        case Connection::Made:
            return;
        case Connection::Interrupted:
            Close();
            return;
        case Connection::Failed:
            break;
        }
    }
    Fail(error);
}

CTcpLine::Connection CTcpLine::Connect(const CSocketAddress& server, int& error)
{
    MakeSocket(server.Family(), SOCK_STREAM);
    WatchForSilentDrop();
    if (::connect(fd, server.Get(), server.length) == 0)
        return Connection::Made;
    if (errno != EINPROGRESS) {
        error = errno;
        Close();
        return Connection::Failed;
    }
    const Connection connection = AwaitConnection(error);
    if (connection == Connection::Failed)
        Close();
    return connection;
}

CTcpLine::Connection CTcpLine::AwaitConnection(int& error)
{
    pollfd watched[2] = {{fd, POLLOUT, 0}, {interrupt.Fd(), POLLIN, 0}};
    int ready = 0;
    do {
        ready = ::poll(watched, 2, kConnectWaitMs);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) {
        error = errno;
        return Connection::Failed;
    }
    if (ready == 0) {
        error = ETIMEDOUT;
        return Connection::Failed;
    }
    if ((watched[0].revents & (POLLOUT | POLLERR | POLLHUP)) == 0)
        return Connection::Interrupted;
    int pending = 0;
    socklen_t length = sizeof pending;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &length) != 0)
        pending = errno;
    if (pending != 0) {
        error = pending;
        return Connection::Failed;
    }
    return Connection::Made;
}

void CTcpLine::WatchForSilentDrop()
{
    const int options[][3] = {
        {SOL_SOCKET, SO_KEEPALIVE, 1},
        {IPPROTO_TCP, TCP_KEEPIDLE, kKeepAliveIdleSeconds},
        {IPPROTO_TCP, TCP_KEEPINTVL, kKeepAliveIntervalSeconds},
        {IPPROTO_TCP, TCP_KEEPCNT, kKeepAliveProbes},
    };
    for (const auto& [level, name, value] : options) {
        if (::setsockopt(fd, level, name, &value, sizeof value) != 0)
            Fail(errno);
    }
}

CLineRead CTcpLine::Read(unsigned char* buffer, std::size_t count)
{
    CLineRead result;
    try {
        result.count = ReadStream(fd, interrupt, timeouts, buffer, count, &result.interrupted);
    } catch (const CSerialException& failure) {
        throw WhyTheStreamEnded(failure);
    }
    result.receiveTime = CTickwarden::GetPCMilliSecs();
    return result;
}

CSerialException CTcpLine::WhyTheStreamEnded(const CSerialException& failure) const
{
    // A reset or a silent drop is kept on the socket; an orderly end reads
    // as the end of the stream.
    int pending = 0;
    socklen_t length = sizeof pending;
    if (fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &length) == 0 && pending != 0)
        return CSerialException(static_cast<std::uint32_t>(pending));
    if (failure.errorCode == EIO)
        return CSerialException(EIO, "the server closed the connection");
    return failure;
}
