#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "acquisition/SocketAddress.h"

// A host and port as the user writes them for the simulator's network
// sources: "HOST:PORT", "[IPv6]:PORT", or only "PORT" where a default host
// applies.
struct CHostPort {
    std::string host;
    std::uint16_t port = 0;

    // Nothing when the text is no host and port (a usage error).
    static std::optional<CHostPort> Parse(const std::string& text, const char* defaultHost = nullptr);
    // The numeric host and port of an address.
    static CHostPort Of(const CSocketAddress& address);

    // The first address the host resolves to, looked up once, here. Throws
    // std::exception "cannot resolve HOST: why" when the host is not known.
    CSocketAddress Resolve(int socketType) const;

    // "127.0.0.1:5600", "[::1]:5600".
    std::string Text() const;
};
