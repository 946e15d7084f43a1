#include "acquisition/StreamRead.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <limits>

#include "acquisition/ReadInterrupt.h"
#include "acquisition/SerialPort.h"

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void ThrowReadError(int code)
{
    throw CSerialException(static_cast<std::uint32_t>(code));
}

// Remaining time until deadline, never negative.
timespec Remaining(Clock::time_point deadline, Clock::time_point now)
{
    const auto left = std::max(Clock::duration::zero(), deadline - now);
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds);
    return timespec{static_cast<time_t>(seconds.count()), static_cast<long>(nanoseconds.count())};
}

bool DeviceHasGone(int error)
{
    return error == EIO || error == ENXIO || error == ENODEV;
}

} // namespace

std::size_t ReadStream(int fd, CReadInterrupt& interrupt, const COMMTIMEOUTS& timeouts, void* buffer,
                       std::size_t count, bool* interrupted)
{
    if (interrupted != nullptr)
        *interrupted = false;
    if (fd < 0)
        ThrowReadError(EBADF);
    if (count == 0)
        return 0;

    constexpr std::uint32_t kAll = std::numeric_limits<std::uint32_t>::max();
    const auto start = Clock::now();
    // Interval and multiplier both at their maximum, with a constant: the
    // read returns with the first bytes that come, or empty at the constant.
    const bool returnWithFirstBytes = timeouts.ReadIntervalTimeout == kAll &&
                                      timeouts.ReadTotalTimeoutMultiplier == kAll &&
                                      timeouts.ReadTotalTimeoutConstant != 0;
    const std::uint64_t totalMs = returnWithFirstBytes
                                      ? timeouts.ReadTotalTimeoutConstant
                                      : std::uint64_t{timeouts.ReadTotalTimeoutMultiplier} * count +
                                            timeouts.ReadTotalTimeoutConstant;
    const bool returnAtOnce = timeouts.ReadIntervalTimeout == kAll && totalMs == 0;
    const bool useInterval = timeouts.ReadIntervalTimeout != 0 && !returnAtOnce && !returnWithFirstBytes;
    const auto totalDeadline = start + std::chrono::milliseconds(totalMs);
    const auto interval = std::chrono::milliseconds(timeouts.ReadIntervalTimeout);
    const int wakeFd = interrupt.Fd();

    auto* bytes = static_cast<unsigned char*>(buffer);
    std::size_t received = 0;
    Clock::time_point lastByte{};
    for (;;) {
        const ssize_t got = ::read(fd, bytes + received, count - received);
        if (got > 0) {
            received += static_cast<std::size_t>(got);
            lastByte = Clock::now();
            if (received == count)
                return received;
            continue;
        }
        const int error = got == 0 ? EIO : errno;  // a hung-up terminal reads as end of file
        if (got < 0 && error == EINTR)
            continue;
        if (got == 0 || (error != EAGAIN && error != EWOULDBLOCK)) {
            // Bytes this read already holds are handed over; the next read reports the loss.
            if (received > 0 && DeviceHasGone(error))
                return received;
            ThrowReadError(error);
        }
        if (returnAtOnce || (returnWithFirstBytes && received > 0))
            return received;

        // Nothing more for now: wait for a byte, a deadline or an interruption.
        Clock::time_point deadline = Clock::time_point::max();
        if (totalMs != 0)
            deadline = totalDeadline;
        if (useInterval && received > 0)
            deadline = std::min(deadline, lastByte + interval);
        const auto now = Clock::now();
        if (deadline != Clock::time_point::max() && now >= deadline)
            return received;

        pollfd watched[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        const nfds_t watchedCount = (received == 0 && wakeFd >= 0) ? 2 : 1;
        timespec wait{};
        if (deadline != Clock::time_point::max())
            wait = Remaining(deadline, now);
        const int ready = ppoll(watched, watchedCount, deadline != Clock::time_point::max() ? &wait : nullptr, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            ThrowReadError(errno);
        }
        // Bytes waiting on the line go before an interruption that comes with them.
        if (watchedCount == 2 && (watched[1].revents & POLLIN) != 0 && (watched[0].revents & POLLIN) == 0) {
            interrupt.Clear();  // the request ends this one read
            if (interrupted != nullptr)
                *interrupted = true;
            return 0;
        }
        // A hang-up with data still waiting: read the data first.
        if ((watched[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0 &&
            (watched[0].revents & POLLIN) == 0) {
            if (received > 0)
                return received;
            ThrowReadError((watched[0].revents & POLLNVAL) != 0 ? EBADF : EIO);
        }
    }
}
