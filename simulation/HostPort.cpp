#include "simulation/HostPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include "acquisition/ReadInterrupt.h"
#include "acquisition/SerialPort.h"

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

CHostPort CHostPort::Of(const CSocketAddress& address)
{
    char host[INET6_ADDRSTRLEN] = {};
    if (address.Family() == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address.storage);
        inet_ntop(AF_INET6, &v6.sin6_addr, host, sizeof host);
        return {host, ntohs(v6.sin6_port)};
    }
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address.storage);
    inet_ntop(AF_INET, &v4.sin_addr, host, sizeof host);
    return {host, ntohs(v4.sin_port)};
}

CSocketAddress CHostPort::Resolve(int socketType) const
{
    // The simulator looks a name up once, before it starts: nothing to interrupt.
    const CReadInterrupt never;
    CAddressResolver resolver;
    const auto found = resolver.Resolve({host, port, AF_UNSPEC, socketType, false}, never);
    if (!found || found->empty())
        throw CSerialException(0, "cannot resolve " + host + ": no address");
    return found->front();
}

std::string CHostPort::Text() const
{
    return host.find(':') != std::string::npos ? "[" + host + "]:" + std::to_string(port)
                                               : host + ":" + std::to_string(port);
}
