#include "acquisition/SocketAddress.h"

#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <thread>

#include "acquisition/ReadInterrupt.h"
#include "acquisition/SerialPort.h"

namespace {

constexpr int kNameWaitMs = 3000;  // the longest an opening waits for a host name's addresses

// getaddrinfo's answer as a status, filling found.
int LookUp(const CAddressResolver::CQuery& query, int flags, std::vector<CSocketAddress>& found)
{
    addrinfo hints{};
    hints.ai_family = query.family;
    hints.ai_socktype = query.socketType;
    hints.ai_flags = flags | AI_NUMERICSERV | (query.passive ? AI_PASSIVE : 0);
    const std::string service = std::to_string(query.port);
    addrinfo* list = nullptr;
    const int status = ::getaddrinfo(query.host.empty() ? nullptr : query.host.c_str(), service.c_str(), &hints, &list);
    if (status != 0)
        return status;
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        CSocketAddress address;
        if (entry->ai_addrlen > sizeof address.storage)
            continue;
        std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        found.push_back(address);
    }
    ::freeaddrinfo(list);
    return 0;
}

[[noreturn]] void ThrowUnresolved(const std::string& host, const std::string& why)
{
    throw CSerialException(EHOSTUNREACH, "cannot resolve " + host + ": " + why);
}

std::string LookUpFailure(int status, int error)
{
    return status == EAI_SYSTEM ? std::strerror(error) : ::gai_strerror(status);
}

} // namespace

bool CSocketAddress::IsMulticast() const
{
    if (Family() == AF_INET)
        return IN_MULTICAST(ntohl(reinterpret_cast<const sockaddr_in&>(storage).sin_addr.s_addr));
    if (Family() == AF_INET6)
        return IN6_IS_ADDR_MULTICAST(&reinterpret_cast<const sockaddr_in6&>(storage).sin6_addr);
    return false;
}

bool CSocketAddress::SameHost(const sockaddr_storage& other) const
{
    if (other.ss_family != storage.ss_family)
        return false;
    if (Family() == AF_INET)
        return reinterpret_cast<const sockaddr_in&>(storage).sin_addr.s_addr ==
               reinterpret_cast<const sockaddr_in&>(other).sin_addr.s_addr;
    if (Family() == AF_INET6)
        return IN6_ARE_ADDR_EQUAL(&reinterpret_cast<const sockaddr_in6&>(storage).sin6_addr,
                                  &reinterpret_cast<const sockaddr_in6&>(other).sin6_addr);
    return false;
}

// A host name asked on a thread of its own; the thread and the waiting
// opening share it, so either may go first.
struct CAddressResolver::CLookup {
    explicit CLookup(const CQuery& asked) : query(asked), doneFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~CLookup()
    {
        if (doneFd >= 0)
            ::close(doneFd);
    }

    void Run()
    {
        status = LookUp(query, 0, found);
        error = errno;
        done = true;
        const std::uint64_t one = 1;
        (void)!::write(doneFd, &one, sizeof one);
    }

    const CQuery query;
    const int doneFd;
    int status = 0;
    int error = 0;
    std::vector<CSocketAddress> found;
    std::atomic<bool> done{false};
};

std::optional<std::vector<CSocketAddress>> CAddressResolver::Resolve(const CQuery& query,
                                                                      const CReadInterrupt& interrupt)
{
    std::vector<CSocketAddress> found;
    const int status = LookUp(query, AI_NUMERICHOST, found);
    if (status == 0)
        return found;
    if (status != EAI_NONAME)
        ThrowUnresolved(query.host, LookUpFailure(status, errno));

    if (!pending || !(pending->query == query)) {
        auto lookup = std::make_shared<CLookup>(query);
        if (lookup->doneFd < 0)
            throw CSerialException(static_cast<std::uint32_t>(errno));
        try {
            std::thread([lookup] { lookup->Run(); }).detach();
        } catch (const std::system_error& failure) {
            throw CSerialException(static_cast<std::uint32_t>(failure.code().value()));
        }
        pending = std::move(lookup);
    }
    pollfd watched[2] = {{pending->doneFd, POLLIN, 0}, {interrupt.Fd(), POLLIN, 0}};
    while (!pending->done) {
        const int ready = ::poll(watched, interrupt.Fd() >= 0 ? 2 : 1, kNameWaitMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            throw CSerialException(static_cast<std::uint32_t>(errno));
        if (pending->done)
            break;
        if (ready > 0 && (watched[1].revents & POLLIN) != 0)
            return std::nullopt;
        ThrowUnresolved(query.host, "no answer within " + std::to_string(kNameWaitMs / 1000) + " seconds");
    }
    const std::shared_ptr<CLookup> answered = std::move(pending);
    if (answered->status != 0)
        ThrowUnresolved(query.host, LookUpFailure(answered->status, answered->error));
    return answered->found;
}
