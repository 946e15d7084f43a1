#include "acquisition/SerialPort.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "acquisition/PortMap.h"
#include "acquisition/SerialPortAccess.h"
#include "acquisition/StreamRead.h"

namespace {

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

// The line is only listened to: the device is opened for reading alone, so
// not a byte can reach the line through it, whatever else goes wrong.
int OpenForReading(const std::string& path)
{
    return ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

// A refusal for permission says whose the device is and what to do; any
// other failure to open is told by the system's text.
[[noreturn]] void ThrowOpenError(const std::string& path)
{
    const int error = errno;
    if (error == EACCES)
        throw CSerialException(EACCES, CSerialPortAccess::PermissionRefusal(path));
    ThrowSerialError(error);
}

void CloseQuietly(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

constexpr struct {
    unsigned rate;
    speed_t speed;
} kSpeeds[] = {
    {50, B50}, {75, B75}, {110, B110}, {134, B134}, {150, B150}, {200, B200}, {300, B300},
    {600, B600}, {1200, B1200}, {1800, B1800}, {2400, B2400}, {4800, B4800}, {9600, B9600},
    {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
    {460800, B460800}, {500000, B500000}, {576000, B576000}, {921600, B921600},
    {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000}, {2000000, B2000000},
    {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

speed_t SpeedFor(unsigned baudRate)
{
    for (const auto& entry : kSpeeds) {
        if (entry.rate == baudRate)
            return entry.speed;
    }
    ThrowSerialError(EINVAL);
}

// The rate of a speed code; 0 for one not in the table (B0, hang up).
unsigned RateOf(speed_t speed)
{
    for (const auto& entry : kSpeeds) {
        if (entry.speed == speed)
            return entry.rate;
    }
    return 0;
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

constexpr tcflag_t kFrameBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

// Whether fd is the slave (or the master) side of a pseudo-terminal, by the
// device numbers Linux gives them.
bool IsPseudoTerminal(int fd)
{
    constexpr unsigned kUnix98SlavesFirst = 136, kUnix98SlavesLast = 143, kLegacySlaves = 3;
    constexpr unsigned kTtyAux = 5, kPtmxMinor = 2;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    const unsigned deviceMajor = major(status.st_rdev);
    return (deviceMajor >= kUnix98SlavesFirst && deviceMajor <= kUnix98SlavesLast) || deviceMajor == kLegacySlaves ||
           (deviceMajor == kTtyAux && minor(status.st_rdev) == kPtmxMinor);
}

// "7-O-2": data bits, parity, stop bits.
std::string FrameText(const termios& state)
{
    const tcflag_t size = state.c_cflag & CSIZE;
    const char bits = size == CS5 ? '5' : size == CS6 ? '6' : size == CS7 ? '7' : '8';
    char parity = 'N';
    if ((state.c_cflag & PARENB) != 0) {
        const bool odd = (state.c_cflag & PARODD) != 0;
        parity = (state.c_cflag & CMSPAR) != 0 ? (odd ? 'M' : 'S') : (odd ? 'O' : 'E');
    }
    return std::string{bits, '-', parity, '-', (state.c_cflag & CSTOPB) != 0 ? '2' : '1'};
}

// The frame of state, and its rate where other has another.
std::string FrameAndRate(const termios& state, const termios& other)
{
    std::string text = FrameText(state);
    if (cfgetospeed(&state) != cfgetospeed(&other) || cfgetispeed(&state) != cfgetispeed(&other))
        text += " at " + std::to_string(RateOf(cfgetospeed(&state))) + " baud";
    return text;
}

bool KeptFrame(const termios& wanted, const termios& kept)
{
    return FrameText(wanted) == FrameText(kept) && cfgetospeed(&wanted) == cfgetospeed(&kept) &&
           cfgetispeed(&wanted) == cfgetispeed(&kept);
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

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort()
{
    Close();
}

void CSerialPort::Open(int portNumber, unsigned baudRate, int parity, std::uint8_t dataBits, int stopBits,
                       int flowControl, bool overlappedIo)
{
    // Opening again without closing first would leak the open device and keep
    // it locked against everyone, this process included.
    Close();
    // Kept even when the open fails, so a caller can name the device it tried.
    devicePath = CPortMap::DevicePath(portNumber);
    frameKept.clear();
    interrupt.Require();
    if (devicePath.empty())
        ThrowSerialError(ENOENT);
    RequireCharacterDevice(devicePath);
    int device = OpenForReading(devicePath);
    if (device < 0)
        ThrowOpenError(devicePath);
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
    // Read times its reads itself; the driver hands over whatever has arrived.
    state.c_cc[VMIN] = 1;
    state.c_cc[VTIME] = 0;
    frameKept = ApplyState(fd, devicePath, state);
}

std::string CSerialPort::ApplyFrame(int fd, const std::string& path, const CSerialFrame& frame)
{
    termios state{};
    if (tcgetattr(fd, &state) != 0)
        ThrowSerialError();
    ComposeState(state, frame.baudRate, frame.parity, frame.dataBits, frame.stopBits, kFlowNone);
    return ApplyState(fd, path, state);
}

std::string CSerialPort::ApplyState(int fd, const std::string& path, const termios& wanted)
{
    // The system may keep another frame than the one asked for, saying so
    // (EINVAL) or not: what it kept is read back.
    const int error = tcsetattr(fd, TCSANOW, &wanted) == 0 ? 0 : errno;
    termios kept{};
    if (tcgetattr(fd, &kept) != 0)
        ThrowSerialError();
    if (error != 0 && error != EINVAL)
        ThrowSerialError(error);
    if (error == 0 && KeptFrame(wanted, kept))
        return "";
    if (!IsPseudoTerminal(fd)) {
        throw CSerialException(EINVAL, path + " refuses the frame " + FrameAndRate(wanted, kept) + " (it keeps " +
                                           FrameAndRate(kept, wanted) + ")");
    }
    // A pseudo-terminal passes bytes as they are written, whatever it is
    // asked: it is taken with the frame it keeps, and the rest as asked.
    termios taken = wanted;
    taken.c_cflag = (wanted.c_cflag & ~kFrameBits) | (kept.c_cflag & kFrameBits);
    cfsetispeed(&taken, cfgetispeed(&kept));
    cfsetospeed(&taken, cfgetospeed(&kept));
    if (tcsetattr(fd, TCSANOW, &taken) != 0)
        ThrowSerialError();
    return path + " is a pseudo-terminal and keeps " + FrameAndRate(kept, wanted) +
           " whatever it is asked; it is used so instead of " + FrameAndRate(wanted, kept);
}

bool CSerialPort::Probe(const std::string& path)
{
    // Only a character device is opened at all (see RequireCharacterDevice).
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    int device = OpenForReading(path);
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
    interrupt.Signal();
}

void CSerialPort::ClearInterrupt()
{
    interrupt.Clear();
}

std::size_t CSerialPort::Read(void* buffer, std::size_t count, bool* interrupted)
{
    return ReadStream(fd, interrupt, timeouts, buffer, count, interrupted);
}
