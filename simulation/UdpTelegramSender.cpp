#include "simulation/UdpTelegramSender.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "simulation/HostPort.h"
#include "simulation/SystemError.h"

CUdpTelegramSender::CUdpTelegramSender(const CSocketAddress& to) : destination(to)
{
    // Not connected: a peer that is not listening (yet) does not end the run.
    fd = ::socket(destination.Family(), SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        ThrowSystemError("UDP socket", errno);
}

CUdpTelegramSender::~CUdpTelegramSender()
{
    ::close(fd);
}

bool CUdpTelegramSender::Send(const std::string& telegram, const StopRequested& stopRequested, std::string& error)
{
    for (;;) {
        if (::sendto(fd, telegram.data(), telegram.size(), MSG_NOSIGNAL, destination.Get(), destination.length) >= 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            error = "sending to " + CHostPort::Of(destination).Text() + ": " + std::strerror(errno);
            return false;
        }
        if (!WaitForRoom(fd, stopRequested))
            return false;
    }
}
