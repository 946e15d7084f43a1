#pragma once
// The listening end of the simulator's network sources in tests, on the
// loopback interface: a UDP socket that receives what is sent to it, a TCP
// client that reads what a server sends. Every wait is bounded.
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/LoopbackPeers.h"

// Whether something can be read from fd (or its end seen) within timeout.
inline bool Readable(int fd, std::chrono::milliseconds timeout)
{
    pollfd ready{fd, POLLIN, 0};
    return ::poll(&ready, 1, static_cast<int>(timeout.count())) > 0;
}

// Receives datagrams on a loopback address; port 0 binds a free one.
class CUdpReceiver {
public:
    explicit CUdpReceiver(const std::string& host = "127.0.0.1", std::uint16_t port = 0)
        : socket(SOCK_DGRAM, host, port)
    {
    }
    std::uint16_t Port() const { return socket.Port(); }

    // The next datagram, or nothing when none came within timeout.
    std::optional<std::string> Receive(std::chrono::milliseconds timeout)
    {
        if (!Readable(socket.Fd(), timeout))
            return std::nullopt;
        char buffer[65536];
        const ssize_t got = ::recv(socket.Fd(), buffer, sizeof buffer, 0);
        if (got < 0)
            return std::nullopt;
        return std::string(buffer, static_cast<std::size_t>(got));
    }

private:
    CBoundSocket socket;
};

// A TCP client of a loopback server.
class CTcpClient {
public:
    // receiveBuffer > 0 makes its receive buffer that small (a client that
    // falls behind soon).
    CTcpClient(const std::string& host, std::uint16_t port, int receiveBuffer = 0)
        : socket(std::make_unique<CBoundSocket>(SOCK_STREAM, host))
    {
        if (receiveBuffer > 0)
            setsockopt(socket->Fd(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        const CLoopbackAddress server(host, port);
        if (::connect(socket->Fd(), server.Get(), server.length) != 0)
            ThrowSocketError("connect " + host + ":" + std::to_string(port));
    }

    // Reads until at least size bytes have come in all, the server closed,
    // or timeout passed; what came is in Received().
    void ReadUntil(std::size_t size, std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (received.size() < size && !ended) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !Readable(socket->Fd(), left))
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

    const std::string& Received() const { return received; }
    void Close() { socket.reset(); }

private:
    void ReadOnce()
    {
        char buffer[65536];
        const ssize_t got = ::recv(socket->Fd(), buffer, sizeof buffer, 0);
        if (got > 0)
            received.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            ended = true;
    }

    std::unique_ptr<CBoundSocket> socket;
    std::string received;
    bool ended = false;
};
