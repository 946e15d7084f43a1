#include "acquisition/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>

#include "acquisition/PortMap.h"

namespace {

using Clock = std::chrono::steady_clock;

// Every failure of the port raises through here: code 0 takes errno.
[[noreturn]] void ThrowSerialError(int code = 0)
{
    throw CSerialException(static_cast<std::uint32_t>(code != 0 ? code : errno));
}

// What a file of that kind is called, for a refusal.
const char* KindOf(mode_t mode)
{
    if (S_ISREG(mode))
        return "a regular file";
    if (S_ISDIR(mode))
        return "a folder";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISSOCK(mode))
        return "a socket";
    if (S_ISBLK(mode))
        return "a block device";
    return "of an unknown kind";
}

// A serial line is a character device. Anything else the port map may name
// is refused before it is opened: opening a FIFO tells its writer it has a
// reader, and a file or a folder is no line.
void RequireCharacterDevice(const std::string& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        ThrowSerialError();
    if (!S_ISCHR(status.st_mode))
        throw CSerialException(ENOTTY, path + " is not a character device (" + KindOf(status.st_mode) + ")");
}

void CloseQuietly(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

speed_t SpeedFor(unsigned baudRate)
{
    static constexpr struct { unsigned rate; speed_t speed; } kSpeeds[] = {
        {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200}, {300, B300},
        {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800}, {9600, B9600},
        {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
        {460800, B460800}, {500000, B500000}, {576000, B576000}, {921600, B921600},
        {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000},
        {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto& entry : kSpeeds) {
        if (entry.rate == baudRate)
            return entry.speed;
    }
    ThrowSerialError(EINVAL);
}

tcflag_t CharacterSize(std::uint8_t dataBits)
{
    switch (dataBits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    case 8: return CS8;
    default: ThrowSerialError(EINVAL);
    }
}

// Bytes arrive untouched: no line editing, no echo, no signals, no
// translation of line ends, no stripping of the eighth bit. Parity, the
// character size and flow control are set apart, from the caller's codes.
void MakeRaw(termios& state)
{
    state.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL);
    state.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    state.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    // The line is only listened to: modem lines (carrier detect) are ignored.
    state.c_cflag |= CLOCAL | CREAD;
}

void ApplyParity(termios& state, int parity)
{
    tcflag_t set = 0;
    switch (parity) {
    case CSerialPort::kParityEven: set = PARENB; break;
    case CSerialPort::kParityOdd: set = PARENB | PARODD; break;
    case CSerialPort::kParityMark: set = PARENB | CMSPAR | PARODD; break;
    case CSerialPort::kParitySpace: set = PARENB | CMSPAR; break;
    case CSerialPort::kParityNone: set = 0; break;
    default: return;  // an unknown code leaves the parity as it was
    }
    state.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    state.c_cflag |= set;
}

void ApplyStopBits(termios& state, int stopBits)
{
    switch (stopBits) {
    case CSerialPort::kStopBitsOne: state.c_cflag &= ~static_cast<tcflag_t>(CSTOPB); break;
    // A terminal knows one or two stop bits only; one and a half is closest to
    // two, and a receiver set to two reads a sender's one and a half.
    case CSerialPort::kStopBitsOneAndHalf:
    case CSerialPort::kStopBitsTwo: state.c_cflag |= CSTOPB; break;
    default: break;  // an unknown code leaves the stop bits as they were
    }
}

void ApplyFlowControl(termios& state, int flowControl)
{
    const auto hardware = [&state](bool on) {
        if (on)
            state.c_cflag |= CRTSCTS;
        else
            state.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    };
    const auto software = [&state](bool on) {
        state.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        if (on) {
            state.c_iflag |= IXON | IXOFF;
            state.c_cc[VSTART] = 0x11;
            state.c_cc[VSTOP] = 0x13;
        }
    };
    switch (flowControl) {
    case CSerialPort::kFlowNone: hardware(false); software(false); break;
    // A terminal has one hardware handshake, RTS/CTS. Handshakes on DTR or
    // DSR have no setting of their own; they get the RTS/CTS handshake, the
    // nearest there is.
    case CSerialPort::kFlowCtsRts:
    case CSerialPort::kFlowCtsDtr:
    case CSerialPort::kFlowDsrRts:
    case CSerialPort::kFlowDsrDtr: hardware(true); software(false); break;
    case CSerialPort::kFlowXonXoff: hardware(false); software(true); break;
    default: break;  // an unknown code leaves flow control as it was
    }
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

}  // namespace

// ---------------------------------------------------------------- exception

bool CSerialException::GetErrorMessage(char* buffer, unsigned size, unsigned* helpContext) const
{
    if (helpContext != nullptr)
        *helpContext = 0;
    // No room even for the terminating NUL: nothing may be written.
    if (buffer == nullptr || size == 0)
        return false;
    const std::string message = GetErrorMessage();
    const std::size_t length = std::min<std::size_t>(message.size(), size - 1);
    std::memcpy(buffer, message.data(), length);
    buffer[length] = '\0';
    return !message.empty();
}

std::string CSerialException::GetErrorMessage() const
{
    if (!reason.empty())
        return reason;
    // The system's own text; an error number it does not know has none.
    const char* description = strerrordesc_np(static_cast<int>(errorCode));
    return description != nullptr ? description : std::string();
}

const char* CSerialException::what() const noexcept
{
    try {
        if (text.empty()) {
            text = GetErrorMessage();
            if (text.empty())
                text = "serial port error " + std::to_string(errorCode);
        }
        return text.c_str();
    } catch (...) {
        return "serial port error";
    }
}

// ---------------------------------------------------------------- port

CSerialPort::CSerialPort()
{
    // Failure here is retried, and reported, by Open.
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CSerialPort::~CSerialPort()
{
    Close();
    CloseQuietly(wakeFd);
}

void CSerialPort::Open(int portNumber, unsigned baudRate, int parity, std::uint8_t dataBits, int stopBits,
                       int flowControl, bool overlappedIo)
{
    // Opening again without closing first would leak the open device and keep
    // it locked against everyone, this process included.
    Close();
    // Kept even when the open fails, so a caller can name the device it tried.
    devicePath = CPortMap::DevicePath(portNumber);
    if (wakeFd < 0 && (wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) < 0)
        ThrowSerialError();
    if (devicePath.empty())
        ThrowSerialError(ENOENT);
    RequireCharacterDevice(devicePath);
    int device = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (device < 0)
        ThrowSerialError();
    // Nobody else may open the line while we listen: TIOCEXCL keeps other
    // users out, the lock keeps out the administrator and this process too.
    if (ioctl(device, TIOCEXCL) != 0 || flock(device, LOCK_EX | LOCK_NB) != 0) {
        const int error = (errno == EWOULDBLOCK) ? EBUSY : errno;
        CloseQuietly(device);
        ThrowSerialError(error);
    }
    fd = device;
    overlapped = overlappedIo;

    // From here on a failure leaves the port open; the caller decides.
    termios state{};
    GetState(state);
    ComposeState(state, baudRate, parity, dataBits, stopBits, flowControl);
    SetState(state);
}

bool CSerialPort::Probe(const std::string& path)
{
    // Only a character device is opened at all (see RequireCharacterDevice).
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    int device = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (device < 0)
        return false;
    // Offered only when it could be had for ourselves alone: a port that
    // another program holds locked would refuse the reader all the same.
    termios state{};
    const bool usable = ::flock(device, LOCK_EX | LOCK_NB) == 0 && ::tcgetattr(device, &state) == 0;
    CloseQuietly(device);
    return usable;
}

void CSerialPort::ComposeState(termios& state, unsigned baudRate, int parity, std::uint8_t dataBits,
                               int stopBits, int flowControl)
{
    const speed_t speed = SpeedFor(baudRate);
    const tcflag_t characterSize = CharacterSize(dataBits);
    MakeRaw(state);
    cfsetispeed(&state, speed);
    cfsetospeed(&state, speed);
    state.c_cflag = (state.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | characterSize;
    ApplyParity(state, parity);
    ApplyStopBits(state, stopBits);
    ApplyFlowControl(state, flowControl);
}

void CSerialPort::Close()
{
    if (fd < 0)
        return;
    ioctl(fd, TIOCNXCL);  // the next user of the line may open it again
    CloseQuietly(fd);
    overlapped = false;
}

bool CSerialPort::IsOpen() const
{
    return fd >= 0;
}

void CSerialPort::GetState(termios& state)
{
    if (tcgetattr(fd, &state) != 0)
        ThrowSerialError();
}

void CSerialPort::SetState(const termios& state)
{
    termios applied = state;
    // Read times its reads itself; the driver hands over whatever has arrived.
    applied.c_cc[VMIN] = 1;
    applied.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &applied) != 0)
        ThrowSerialError();
}

void CSerialPort::SetTimeouts(const COMMTIMEOUTS& newTimeouts)
{
    if (fd < 0)
        ThrowSerialError(EBADF);
    timeouts = newTimeouts;
}

void CSerialPort::InterruptRead()
{
    const std::uint64_t one = 1;
    if (wakeFd >= 0)
        (void)!::write(wakeFd, &one, sizeof one);
}

void CSerialPort::ClearInterrupt()
{
    std::uint64_t pending = 0;
    if (wakeFd >= 0)
        (void)!::read(wakeFd, &pending, sizeof pending);
}

// The read ends at the first of: count bytes received; a byte received and
// then ReadIntervalTimeout without another; the total timeout
// (multiplier * count + constant) since the start. A zero interval or a
// zero total means that condition is not used; an interval of 0xFFFFFFFF
// with no total returns at once with whatever has arrived.
std::size_t CSerialPort::Read(void* buffer, std::size_t count, bool* interrupted)
{
    if (interrupted != nullptr)
        *interrupted = false;
    if (fd < 0)
        ThrowSerialError(EBADF);
    if (count == 0)
        return 0;

    const auto start = Clock::now();
    const std::uint64_t totalMs = std::uint64_t{timeouts.ReadTotalTimeoutMultiplier} * count +
                                  timeouts.ReadTotalTimeoutConstant;
    const bool returnAtOnce = timeouts.ReadIntervalTimeout == std::numeric_limits<std::uint32_t>::max() &&
                              totalMs == 0;
    const bool useInterval = timeouts.ReadIntervalTimeout != 0 && !returnAtOnce;
    const auto totalDeadline = start + std::chrono::milliseconds(totalMs);
    const auto interval = std::chrono::milliseconds(timeouts.ReadIntervalTimeout);

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
            ThrowSerialError(error);
        }
        if (returnAtOnce)
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
            ThrowSerialError();
        }
        // Bytes waiting on the line go before an interruption that comes with them.
        if (watchedCount == 2 && (watched[1].revents & POLLIN) != 0 && (watched[0].revents & POLLIN) == 0) {
            ClearInterrupt();  // the request ends this one read
            if (interrupted != nullptr)
                *interrupted = true;
            return 0;
        }
        // A hang-up with data still waiting: read the data first.
        if ((watched[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0 &&
            (watched[0].revents & POLLIN) == 0) {
            if (received > 0)
                return received;
            ThrowSerialError((watched[0].revents & POLLNVAL) != 0 ? EBADF : EIO);
        }
    }
}
