#pragma once
#include <sys/socket.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CReadInterrupt;

// One address a socket binds to, connects to or hears from.
struct CSocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;

    int Family() const { return storage.ss_family; }
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&storage); }
    bool IsMulticast() const;
    // The same host as other, whatever the ports.
    bool SameHost(const sockaddr_storage& other) const;
};

// Finds the addresses of a host for a network line's opening without
// holding the opening up for long: a numeric address at once, a host name
// on a thread of its own, waited for until it answers, the interruption
// comes or a few seconds pass. A name still unanswered then is waited for
// again by the next opening rather than asked anew.
class CAddressResolver {
public:
    struct CQuery {
        std::string host;  // "" with passive: every interface of the family
        std::uint16_t port = 0;
        int family = 0;  // AF_INET, AF_INET6 or AF_UNSPEC
        int socketType = 0;
        bool passive = false;  // for binding rather than connecting

        bool operator==(const CQuery&) const = default;
    };

    CAddressResolver() = default;
    CAddressResolver(const CAddressResolver&) = delete;
    CAddressResolver& operator=(const CAddressResolver&) = delete;

    // Every address found, in the resolver's order; nullopt when interrupt
    // ended the wait. Throws CSerialException "cannot resolve HOST: why".
    std::optional<std::vector<CSocketAddress>> Resolve(const CQuery& query, const CReadInterrupt& interrupt);

private:
    struct CLookup;
    std::shared_ptr<CLookup> pending;
};
