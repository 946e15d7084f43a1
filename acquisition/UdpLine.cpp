#include "acquisition/UdpLine.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "clock/Tickwarden.h"

namespace {

constexpr std::size_t kLargestDatagram = 65536;
// A burst of thousands of telegrams waits here while the reader catches up.
constexpr int kReceiveBufferBytes = 4 << 20;

// The first line of text, with its line end (LF, CR LF, or LF CR as some
// senders write it), or all of it when it has none.
std::size_t LineLength(const unsigned char* text, std::size_t length)
{
    const void* lineFeed = std::memchr(text, '\n', length);
    if (lineFeed == nullptr)
        return length;
    std::size_t end = static_cast<std::size_t>(static_cast<const unsigned char*>(lineFeed) - text) + 1;
    const bool carriageReturnBefore = end >= 2 && text[end - 2] == '\r';
    if (!carriageReturnBefore && end < length && text[end] == '\r')
        ++end;
    return end;
}

const char* FamilyName(int family)
{
    return family == AF_INET6 ? "IPv6" : "IPv4";
}

} // namespace

void CUdpLine::Open(const CLineAddress& address, const CSerialFrame&)
{
    BeginOpen(address);
    pendingFrom = pendingTo = 0;
    systemDropCount = 0;
    droppedBySystem = 0;
    senders.clear();
    // No address: every IPv4 interface.
    const int family = address.host.empty() ? AF_INET : AF_UNSPEC;
    const auto local = Resolve({address.host, address.port, family, SOCK_DGRAM, true});
    if (!local)
        return;
    if (local->empty())
        Fail(EADDRNOTAVAIL);
    const CSocketAddress& bound = local->front();
    if (!address.joinInterface.empty() && !bound.IsMulticast())
        Fail(EINVAL, "interface= is for a multicast group only");
    if (!address.from.empty() && !FindSenders(address.from, bound.Family()))
        return;
    Bind(bound);
    if (bound.IsMulticast())
        JoinGroup(bound, address.joinInterface);
    datagram.resize(kLargestDatagram);
}

bool CUdpLine::FindSenders(const std::string& from, int family)
{
    const auto found = Resolve({from, 0, AF_UNSPEC, SOCK_DGRAM, false});
    if (!found)
        return false;
    for (const CSocketAddress& sender : *found) {
        if (sender.Family() == family)
            senders.push_back(sender);
    }
    if (senders.empty())
        Fail(EINVAL, "from=" + from + " has no " + FamilyName(family) + " address");
    return true;
}

void CUdpLine::Bind(const CSocketAddress& local)
{
    MakeSocket(local.Family(), SOCK_DGRAM);
    const int on = 1;
    // [::] is every IPv6 interface only; IPv4 is udp://:PORT.
    if (local.Family() == AF_INET6 && ::setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on) != 0)
        Fail(errno);
    // Other programs on this computer may listen to the same group.
    if (local.IsMulticast() && ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
        Fail(errno);
    PrepareReceiveQueue();
    if (::bind(fd, local.Get(), local.length) != 0)
        Fail(errno);
}

void CUdpLine::PrepareReceiveQueue()
{
    // Beyond the system's limit for users (net.core.rmem_max) where allowed,
    // else as far as that limit. Neither is needed to read the line: a
    // smaller queue only fills sooner, and what it drops is counted.
    const int size = kReceiveBufferBytes;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_RXQ_OVFL, &on, sizeof on);
}

unsigned CUdpLine::InterfaceIndex(const std::string& name)
{
    const unsigned index = ::if_nametoindex(name.c_str());
    if (index == 0)
        Fail(ENODEV, "no network interface " + name);
    return index;
}

void CUdpLine::JoinGroup(const CSocketAddress& group, const std::string& joinInterface)
{
    int result = 0;
    if (group.Family() == AF_INET) {
        ip_mreqn request{};
        request.imr_multiaddr = reinterpret_cast<const sockaddr_in&>(group.storage).sin_addr;
        if (!joinInterface.empty() && ::inet_pton(AF_INET, joinInterface.c_str(), &request.imr_address) != 1)
            request.imr_ifindex = static_cast<int>(InterfaceIndex(joinInterface));
        result = ::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request);
    } else {
        ipv6_mreq request{};
        request.ipv6mr_multiaddr = reinterpret_cast<const sockaddr_in6&>(group.storage).sin6_addr;
        request.ipv6mr_interface = joinInterface.empty() ? 0 : InterfaceIndex(joinInterface);
        result = ::setsockopt(fd, IPPROTO_IPV6, IPV6_JOIN_GROUP, &request, sizeof request);
    }
    if (result != 0)
        Fail(errno);
}

CLineRead CUdpLine::Read(unsigned char* buffer, std::size_t count)
{
    if (fd < 0)
        Fail(EBADF);
    CLineRead result;
    if (count == 0)
        return result;
    const std::uint64_t totalMs = std::uint64_t{timeouts.ReadTotalTimeoutMultiplier} * count +
                                  timeouts.ReadTotalTimeoutConstant;
    const auto deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    while (pendingFrom == pendingTo) {
        if (ReceiveDatagram())
            continue;
        const Wait wait = WaitForDatagram(deadline, totalMs != 0);
        if (wait == Wait::Interrupted) {
            interrupt.Clear();  // the request ends this one read
            result.interrupted = true;
            return result;
        }
        if (wait == Wait::Deadline) {
            result.receiveTime = CTickwarden::GetPCMilliSecs();
            return result;
        }
    }
    result.count = TakePiece(buffer, count);
    result.datagramGoesOn = pendingFrom != pendingTo;
    result.receiveTime = arrival;
    return result;
}

bool CUdpLine::ReceiveDatagram()
{
    sockaddr_storage sender{};
    iovec bytes{datagram.data(), datagram.size()};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(std::uint32_t))];
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &bytes;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = ::recvmsg(fd, &message, MSG_DONTWAIT);
    if (got < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return false;
        if (errno == EINTR)
            return true;
        Fail(errno);
    }
    const double now = CTickwarden::GetPCMilliSecs();
    NoteDrops(message);
    const bool wanted = senders.empty() || std::any_of(senders.begin(), senders.end(), [&](const CSocketAddress& host) {
                            return host.SameHost(sender);
                        });
    // An empty datagram holds no telegram; one from another sender is not ours.
    if (got > 0 && wanted) {
        arrival = now;
        pendingFrom = 0;
        pendingTo = static_cast<std::size_t>(got);
    }
    return true;
}

void CUdpLine::NoteDrops(msghdr& message)
{
    for (cmsghdr* item = CMSG_FIRSTHDR(&message); item != nullptr; item = CMSG_NXTHDR(&message, item)) {
        if (item->cmsg_level != SOL_SOCKET || item->cmsg_type != SO_RXQ_OVFL ||
            item->cmsg_len < CMSG_LEN(sizeof(std::uint32_t)))
            continue;
        std::uint32_t count = 0;
        std::memcpy(&count, CMSG_DATA(item), sizeof count);
        droppedBySystem += static_cast<std::uint32_t>(count - systemDropCount);
        systemDropCount = count;
    }
}

bool CUdpLine::IsTelegramWaiting()
{
    if (pendingFrom != pendingTo)
        return true;
    if (fd < 0)
        return false;
    pollfd watched{fd, POLLIN, 0};
    return ::poll(&watched, 1, 0) > 0 && (watched.revents & POLLIN) != 0;
}

CUdpLine::Wait CUdpLine::WaitForDatagram(Clock::time_point deadline, bool hasDeadline)
{
    int waitMs = -1;
    if (hasDeadline) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Wait::Deadline;
        waitMs = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
    }
    pollfd watched[2] = {{fd, POLLIN, 0}, {interrupt.Fd(), POLLIN, 0}};
    const int ready = ::poll(watched, 2, waitMs);
    if (ready < 0 && errno != EINTR)
        Fail(errno);
    if (ready == 0)
        return Wait::Deadline;
    // A datagram waiting goes before an interruption that comes with it.
    if (ready > 0 && (watched[1].revents & POLLIN) != 0 && (watched[0].revents & POLLIN) == 0)
        return Wait::Interrupted;
    return Wait::Datagram;
}

std::size_t CUdpLine::TakePiece(unsigned char* buffer, std::size_t count)
{
    const unsigned char* start = datagram.data() + pendingFrom;
    std::size_t length = std::min(count, pendingTo - pendingFrom);
    if (lineBased)
        length = LineLength(start, length);
    std::memcpy(buffer, start, length);
    pendingFrom += length;
    return length;
}
