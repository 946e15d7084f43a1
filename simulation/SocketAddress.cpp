#include "simulation/SocketAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "simulation/SystemError.h"

namespace {

std::optional<std::uint16_t> ParsePort(const std::string& text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned long port = std::stoul(text);
    if (port > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(port);
}

} // namespace

std::optional<CHostPort> CHostPort::Parse(const std::string& text, const char* defaultHost)
{
    std::string host;
    std::string port;
    if (!text.empty() && text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            return std::nullopt;
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else if (const std::size_t colon = text.find(':'); colon != std::string::npos) {
        // An IPv6 address without brackets cannot be told from its port.
        if (text.find(':', colon + 1) != std::string::npos)
            return std::nullopt;
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    } else if (defaultHost) {
        host = defaultHost;
        port = text;
    }
    const std::optional<std::uint16_t> number = ParsePort(port);
    if (host.empty() || !number)
        return std::nullopt;
    return CHostPort{host, *number};
}

CSocketAddress CSocketAddress::Resolve(const CHostPort& hostPort, int socketType)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = socketType;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(hostPort.port);
    const int status = getaddrinfo(hostPort.host.c_str(), service.c_str(), &hints, &found);
    if (status != 0) {
        const std::string reason = status == EAI_SYSTEM ? std::strerror(errno) : gai_strerror(status);
        throw std::runtime_error("cannot resolve " + hostPort.host + ": " + reason);
    }
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owned(found, &freeaddrinfo);
    CSocketAddress address;
    std::memcpy(&address.storage, found->ai_addr, found->ai_addrlen);
    address.length = found->ai_addrlen;
    return address;
}

CSocketAddress CSocketAddress::LocalOf(int fd)
{
    CSocketAddress address;
    address.length = sizeof address.storage;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address.storage), &address.length) != 0)
        ThrowSystemError("local address", errno);
    return address;
}

std::uint16_t CSocketAddress::Port() const
{
    if (Family() == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_port);
    return ntohs(reinterpret_cast<const sockaddr_in*>(&storage)->sin_port);
}

std::string CSocketAddress::Text() const
{
    char host[INET6_ADDRSTRLEN] = {};
    if (Family() == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_addr, host, sizeof host);
        return "[" + std::string(host) + "]:" + std::to_string(Port());
    }
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&storage)->sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(Port());
}
