#pragma once
// Sockets on the loopback interface that play the other end in tests: a
// UDP socket that receives what is sent to it, a TCP client that reads
// what a server sends. Every wait is bounded.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string>

// An IPv4 or IPv6 loopback address ("127.0.0.1", "::1") and a port.
class CLoopbackAddress {
public:
    CLoopbackAddress(const std::string& host, std::uint16_t port)
    {
        if (inet_pton(AF_INET6, host.c_str(), &v6.sin6_addr) == 1) {
            v6.sin6_family = AF_INET6;
            v6.sin6_port = htons(port);
            length = sizeof v6;
        } else if (inet_pton(AF_INET, host.c_str(), &v4.sin_addr) == 1) {
            v4.sin_family = AF_INET;
            v4.sin_port = htons(port);
            length = sizeof v4;
        } else {
            throw std::invalid_argument("not an address: " + host);
        }
    }
    int Family() const { return length == sizeof v6 ? AF_INET6 : AF_INET; }
    const sockaddr* Get() const
    {
        return Family() == AF_INET6 ? reinterpret_cast<const sockaddr*>(&v6) : reinterpret_cast<const sockaddr*>(&v4);
    }
    socklen_t Length() const { return length; }

private:
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    socklen_t length = 0;
};

// A socket of the test, closed with it.
class CTestSocket {
public:
    CTestSocket(int family, int type) : fd(::socket(family, type | SOCK_CLOEXEC, 0))
    {
        if (fd < 0)
            throw std::runtime_error(std::string("socket: ") + std::strerror(errno));
    }
    ~CTestSocket() { Close(); }
    CTestSocket(const CTestSocket&) = delete;
    CTestSocket& operator=(const CTestSocket&) = delete;

    void Close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }

    std::uint16_t LocalPort() const
    {
        sockaddr_storage local{};
        socklen_t length = sizeof local;
        getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        return ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(&local)->sin6_port
                                                 : reinterpret_cast<const sockaddr_in*>(&local)->sin_port);
    }

    // Whether something can be read (or the end seen) within timeout.
    bool Readable(std::chrono::milliseconds timeout) const
    {
        pollfd ready{fd, POLLIN, 0};
        return ::poll(&ready, 1, static_cast<int>(timeout.count())) > 0;
    }

    int fd;
};

// Receives datagrams on a loopback address; port 0 binds a free one.
class CUdpReceiver {
public:
    explicit CUdpReceiver(const std::string& host = "127.0.0.1", std::uint16_t port = 0)
        : socket(CLoopbackAddress(host, port).Family(), SOCK_DGRAM)
    {
        const CLoopbackAddress address(host, port);
        if (::bind(socket.fd, address.Get(), address.Length()) != 0)
            throw std::runtime_error("bind " + host + ": " + std::strerror(errno));
    }
    std::uint16_t Port() const { return socket.LocalPort(); }

    // The next datagram, or nothing when none came within timeout.
    std::optional<std::string> Receive(std::chrono::milliseconds timeout)
    {
        if (!socket.Readable(timeout))
            return std::nullopt;
        char buffer[65536];
        const ssize_t got = ::recv(socket.fd, buffer, sizeof buffer, 0);
        if (got < 0)
            return std::nullopt;
        return std::string(buffer, static_cast<std::size_t>(got));
    }

private:
    CTestSocket socket;
};

// A TCP client of a loopback server.
class CTcpClient {
public:
    // receiveBuffer > 0 makes its receive buffer that small (a client that
    // falls behind soon).
    CTcpClient(const std::string& host, std::uint16_t port, int receiveBuffer = 0)
        : socket(CLoopbackAddress(host, port).Family(), SOCK_STREAM)
    {
        if (receiveBuffer > 0)
            setsockopt(socket.fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        const CLoopbackAddress address(host, port);
        if (::connect(socket.fd, address.Get(), address.Length()) != 0)
            throw std::runtime_error("connect " + host + ": " + std::strerror(errno));
    }

    // Reads until at least size bytes have come in all, the server closed,
    // or timeout passed; what came is in Received().
    void ReadUntil(std::size_t size, std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (received.size() < size && !ended) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !socket.Readable(left))
                return;
            ReadOnce();
        }
    }
    // Reads until the server closes the connection; false on timeout.
    bool ReadUntilEnd(std::chrono::milliseconds timeout)
    {
        ReadUntil(SIZE_MAX, timeout);
        return ended;
    }
    // Reads what has come by now.
    void ReadWaiting()
    {
        while (!ended && socket.Readable(std::chrono::milliseconds(0)))
            ReadOnce();
    }

    const std::string& Received() const { return received; }
    bool Ended() const { return ended; }
    void Close() { socket.Close(); }

private:
    void ReadOnce()
    {
        char buffer[65536];
        const ssize_t got = ::recv(socket.fd, buffer, sizeof buffer, 0);
        if (got > 0)
            received.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            ended = true;
    }

    CTestSocket socket;
    std::string received;
    bool ended = false;
};
