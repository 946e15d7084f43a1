#pragma once
// The other end of a network line in tests, on the loopback interface only:
// a UDP sender, a TCP server, and ports the kernel chose.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// An IPv4 or IPv6 loopback address with a port, as a socket takes it.
struct CLoopbackAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;

    CLoopbackAddress(const std::string& host, std::uint16_t port)
    {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
        if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
            v4->sin_family = AF_INET;
            v4->sin_port = htons(port);
            length = sizeof *v4;
        } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
            v6->sin6_family = AF_INET6;
            v6->sin6_port = htons(port);
            length = sizeof *v6;
        } else {
            throw std::runtime_error("not a numeric address: " + host);
        }
    }
    int Family() const { return storage.ss_family; }
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

inline void ThrowSocketError(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// A socket bound to host and port (0: the kernel chooses); closed with the object.
class CBoundSocket {
public:
    CBoundSocket(int type, const std::string& host, std::uint16_t port = 0, bool reuse = false)
    {
        const CLoopbackAddress address(host, port);
        fd = ::socket(address.Family(), type | SOCK_CLOEXEC, 0);
        if (fd < 0)
            ThrowSocketError("socket");
        const int on = 1;
        if (reuse)
            ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(fd, address.Get(), address.length) != 0) {
            ::close(fd);
            ThrowSocketError("bind " + host + ":" + std::to_string(port));
        }
    }
    ~CBoundSocket()
    {
        if (fd >= 0)
            ::close(fd);
    }
    CBoundSocket(const CBoundSocket&) = delete;
    CBoundSocket& operator=(const CBoundSocket&) = delete;

    int Fd() const { return fd; }
    std::uint16_t Port() const
    {
        sockaddr_storage bound{};
        socklen_t length = sizeof bound;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
        return bound.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6&>(bound).sin6_port)
                                           : ntohs(reinterpret_cast<sockaddr_in&>(bound).sin_port);
    }

private:
    int fd = -1;
};

// A UDP port that was free a moment ago, for a line to bind.
inline std::uint16_t FreeUdpPort(const std::string& host = "127.0.0.1")
{
    return CBoundSocket(SOCK_DGRAM, host).Port();
}

// Sends datagrams from its own address (127.0.0.2 stands for another host).
class CUdpSender {
public:
    explicit CUdpSender(const std::string& fromHost = "127.0.0.1") : socket(SOCK_DGRAM, fromHost) {}

    void Send(const std::string& bytes, const std::string& host, std::uint16_t port) const
    {
        const CLoopbackAddress to(host, port);
        if (::sendto(socket.Fd(), bytes.data(), bytes.size(), 0, to.Get(), to.length) !=
            static_cast<ssize_t>(bytes.size()))
            ThrowSocketError("sendto");
    }

    // For a multicast group: the interface the datagrams leave by.
    void SendMulticastFrom(const std::string& interfaceAddress) const
    {
        in_addr address{};
        inet_pton(AF_INET, interfaceAddress.c_str(), &address);
        if (::setsockopt(socket.Fd(), IPPROTO_IP, IP_MULTICAST_IF, &address, sizeof address) != 0)
            ThrowSocketError("IP_MULTICAST_IF");
    }

    int Fd() const { return socket.Fd(); }

private:
    CBoundSocket socket;
};

// Whether a UDP line's queue holds a burst of a thousand telegrams: root
// may give it the MiBs it asks for, others as much as the system allows.
inline bool UdpQueueHoldsABurst()
{
    unsigned long limit = 0;
    std::ifstream("/proc/sys/net/core/rmem_max") >> limit;
    return ::geteuid() == 0 || limit >= (2ul << 20);
}

// Far more than a line's queue holds at once, back to back: the system
// drops most of them. Returns how many were sent.
constexpr std::size_t kFloodDatagramBytes = 60000;
inline int Flood(const CUdpSender& sender, const std::string& host, std::uint16_t port)
{
    constexpr int kDatagrams = 300;  // 18 MB against a queue of 8 MiB at most
    const std::string datagram(kFloodDatagramBytes, 'f');
    for (int i = 0; i < kDatagrams; ++i)
        sender.Send(datagram, host, port);
    return kDatagrams;
}

// Sends one datagram from next() every period until stopped: a feed that
// goes on whenever its listener starts to listen.
class CUdpFeed {
public:
    CUdpFeed(std::function<std::string()> next, const std::string& host, std::uint16_t port,
             std::chrono::milliseconds period)
        : worker([this, next, host, port, period] {
              while (running) {
                  sender.Send(next(), host, port);
                  ++sent;
                  std::this_thread::sleep_for(period);
              }
          })
    {
    }
    ~CUdpFeed() { Stop(); }
    CUdpFeed(const CUdpFeed&) = delete;
    CUdpFeed& operator=(const CUdpFeed&) = delete;

    void Stop()
    {
        running = false;
        if (worker.joinable())
            worker.join();
    }
    int Sent() const { return sent; }

private:
    CUdpSender sender;
    std::atomic<bool> running{true};
    std::atomic<int> sent{0};
    std::thread worker;
};

// A TCP server on 127.0.0.1 (a serial device server's raw port): accepts
// every client on a thread of its own and sends them what it is given. It
// never reads. Stop ends it with every connection; Start listens again on
// the same port.
class CTcpServer {
public:
    explicit CTcpServer(std::uint16_t at = 0, const std::string& onHost = "127.0.0.1") : host(onHost)
    {
        Start(at);
    }
    ~CTcpServer() { Stop(); }
    CTcpServer(const CTcpServer&) = delete;
    CTcpServer& operator=(const CTcpServer&) = delete;

    std::uint16_t Port() const { return port; }
    std::string Url() const { return "tcp://" + host + ":" + std::to_string(port); }

    void Start(std::uint16_t at = 0)
    {
        listener = std::make_unique<CBoundSocket>(SOCK_STREAM, host, at != 0 ? at : port, true);
        if (::listen(listener->Fd(), 8) != 0)
            ThrowSocketError("listen");
        port = listener->Port();
        running = true;
        acceptor = std::thread([this] { AcceptClients(); });
    }

    // Ends the server: its clients see the connection closed.
    void Stop()
    {
        running = false;
        if (acceptor.joinable())
            acceptor.join();
        listener.reset();
        std::lock_guard<std::mutex> lock(guard);
        for (int client : clients)
            ::close(client);
        clients.clear();
    }

    // Every client accepted since the start, and those connected now.
    int Accepted() const { return accepted; }
    std::size_t Connected()
    {
        std::lock_guard<std::mutex> lock(guard);
        return clients.size();
    }

    // True when no client has sent a byte (a listener only listens).
    bool ClientsSentNothing()
    {
        std::lock_guard<std::mutex> lock(guard);
        for (int client : clients) {
            char byte = 0;
            if (::recv(client, &byte, 1, MSG_DONTWAIT | MSG_PEEK) >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                return false;
        }
        return true;
    }

    // With closeAtOnce, every client is sent away as soon as it comes.
    void CloseEveryClientAtOnce(bool on) { closeAtOnce = on; }

    // Sends bytes to every client; false when there was none.
    bool Send(const std::string& bytes)
    {
        std::lock_guard<std::mutex> lock(guard);
        for (int client : clients) {
            if (::send(client, bytes.data(), bytes.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
                return false;
        }
        return !clients.empty();
    }

private:
    void AcceptClients()
    {
        while (running) {
            pollfd watched{listener->Fd(), POLLIN, 0};
            if (::poll(&watched, 1, 20) <= 0)
                continue;
            const int client = ::accept4(listener->Fd(), nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            ++accepted;
            if (closeAtOnce) {
                ::close(client);
                continue;
            }
            std::lock_guard<std::mutex> lock(guard);
            clients.push_back(client);
        }
    }

    std::string host;
    std::uint16_t port = 0;
    std::unique_ptr<CBoundSocket> listener;
    std::atomic<bool> running{false};
    std::atomic<bool> closeAtOnce{false};
    std::atomic<int> accepted{0};
    std::mutex guard;
    std::vector<int> clients;
    std::thread acceptor;
};
