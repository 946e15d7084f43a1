#pragma once
#include <sys/socket.h>

#include <cstdint>
#include <optional>
#include <string>

// A host and port as the user writes them: "HOST:PORT", "[IPv6]:PORT",
// or only "PORT" where a default host applies.
struct CHostPort {
    std::string host;
    std::uint16_t port = 0;

    // Nothing when the text is no host and port (a usage error).
    static std::optional<CHostPort> Parse(const std::string& text, const char* defaultHost = nullptr);
};

// One IPv4 or IPv6 socket address: where the simulator sends datagrams or
// listens for clients.
class CSocketAddress {
public:
    // The first address the host resolves to, looked up once, here. Throws
    // std::runtime_error with the reason when the host is not known.
    static CSocketAddress Resolve(const CHostPort& hostPort, int socketType);
    // The local address a socket is bound to (its port when the system chose it).
    static CSocketAddress LocalOf(int fd);

    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&storage); }
    socklen_t Length() const { return length; }
    int Family() const { return storage.ss_family; }
    std::uint16_t Port() const;

    // "127.0.0.1:5600", "[::1]:5600".
    std::string Text() const;

private:
    sockaddr_storage storage{};
    socklen_t length = 0;
};
