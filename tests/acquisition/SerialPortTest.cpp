// The serial port on a real pseudo-terminal: how the line's bursts become
// reads, the frame the port applies, exclusive use, a vanishing device and
// interrupting a read. Timings are checked with wide margins only.
#include <gtest/gtest.h>

#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>

#include "acquisition/PortMap.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SerialPortAccess.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/support/OpenWatch.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/Unprivileged.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kTestPort = 201;
constexpr std::size_t kTelegramBuffer = 256;

// What the reception sets: 60 ms quiet ends a telegram, 1 ms per byte plus
// a constant bounds the whole read.
COMMTIMEOUTS ReceptionTimeouts(std::uint32_t constantMs)
{
    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = 60;
    timeouts.ReadTotalTimeoutMultiplier = 1;
    timeouts.ReadTotalTimeoutConstant = constantMs;
    return timeouts;
}

// A long silence, so a busy machine cannot end the read before the test acts.
COMMTIMEOUTS SlowSilence()
{
    COMMTIMEOUTS timeouts = ReceptionTimeouts(5000);
    timeouts.ReadIntervalTimeout = 600;
    return timeouts;
}

struct CReadResult {
    std::string bytes;
    bool interrupted = false;
    double seconds = 0.0;
};

CReadResult TimedRead(CSerialPort& port, std::size_t count = kTelegramBuffer)
{
    std::string buffer(count, '\0');
    CReadResult result;
    const auto start = Clock::now();
    buffer.resize(port.Read(buffer.data(), count, &result.interrupted));
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    result.bytes = buffer;
    return result;
}

std::string Pattern(std::size_t size, int seed = 0)
{
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i)
        bytes += static_cast<char>((i * 7 + static_cast<std::size_t>(seed)) & 0xFF);
    return bytes;
}

std::uint32_t ErrorOfOpen(CSerialPort& port, int portNumber)
{
    try {
        port.Open(portNumber, 9600, CSerialPort::kParityNone, 8, CSerialPort::kStopBitsOne, CSerialPort::kFlowNone);
    } catch (const CSerialException& failure) {
        return failure.errorCode;
    }
    return 0;
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override { CPortMap::SetOverride(kTestPort, line.SlavePath()); }
    void TearDown() override { CPortMap::ClearOverride(kTestPort); }

    void OpenPort(std::uint32_t totalConstantMs = 1000)
    {
        port.Open(kTestPort, 9600, CSerialPort::kParityNone, 8, CSerialPort::kStopBitsOne, CSerialPort::kFlowNone);
        port.SetTimeouts(ReceptionTimeouts(totalConstantMs));
    }

    // A read on another thread, while the test plays the line.
    std::future<CReadResult> StartRead()
    {
        return std::async(std::launch::async, [this] { return TimedRead(port); });
    }

    // Every read here ends within its total timeout anyway; 3 s tells a hang.
    static CReadResult Finish(std::future<CReadResult>& read)
    {
        EXPECT_EQ(read.wait_for(3s), std::future_status::ready);
        return read.get();
    }

    termios StateOfLine()
    {
        termios state{};
        port.GetState(state);
        return state;
    }

    CPseudoTerminal line;
    CSerialPort port;
};

// ---------------------------------------------------------------- reads and the line's silence

TEST_F(SerialPortTest, OneBurstIsOneReadWithEveryByteUntouched)
{
    OpenPort();
    // Every byte value, including NUL, CR, LF, XON, XOFF and the interrupt
    // character, must reach the decoder exactly as the line carried it.
    std::string everyByte;
    for (int value = 0; value < 256; ++value)
        everyByte += static_cast<char>(value);
    const std::string burst = everyByte.substr(0, 200);
    line.Write(burst);
    const CReadResult read = TimedRead(port);
    EXPECT_EQ(read.bytes, burst);
    EXPECT_FALSE(read.interrupted);

    line.Write(everyByte.substr(200));
    EXPECT_EQ(TimedRead(port).bytes, everyByte.substr(200));
}

TEST_F(SerialPortTest, LongBurstIsCutAfterTheBufferAndTheRestStartsTheNextRead)
{
    OpenPort();
    const std::string burst = Pattern(300);
    line.Write(burst);
    const CReadResult first = TimedRead(port);
    const CReadResult second = TimedRead(port);
    EXPECT_EQ(first.bytes, burst.substr(0, 256));
    EXPECT_EQ(second.bytes, burst.substr(256));
    EXPECT_EQ(second.bytes.size(), 44u);
    // A full buffer ends the read at once, without waiting for silence.
    EXPECT_LT(first.seconds, 0.5);
}

TEST_F(SerialPortTest, ShortGapJoinsBurstsAndLongGapSplitsThem)
{
    OpenPort(3000);
    const std::string first = Pattern(20, 1);
    const std::string second = Pattern(20, 2);

    auto joined = StartRead();
    std::this_thread::sleep_for(50ms);
    line.WriteBursts({first, second}, 20ms);
    EXPECT_EQ(Finish(joined).bytes, first + second);

    auto split = std::async(std::launch::async, [&] { line.WriteBursts({first, second}, 200ms); });
    const CReadResult one = TimedRead(port);
    const CReadResult two = TimedRead(port);
    split.get();
    EXPECT_EQ(one.bytes, first);
    EXPECT_EQ(two.bytes, second);
}

TEST_F(SerialPortTest, QuietLineGivesAnEmptyReadAtTheTotalTimeout)
{
    OpenPort(300);  // total 1 ms * 256 + 300 ms
    const CReadResult read = TimedRead(port);
    EXPECT_TRUE(read.bytes.empty());
    EXPECT_FALSE(read.interrupted);
    EXPECT_GE(read.seconds, 0.9 * 0.556);
    EXPECT_LE(read.seconds, 3 * 0.556);
}

// ---------------------------------------------------------------- open, close and the frame

TEST_F(SerialPortTest, OpenIsExclusiveUntilTheHolderCloses)
{
    OpenPort();
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.GetDevicePath(), line.SlavePath());

    CSerialPort other;
    EXPECT_EQ(ErrorOfOpen(other, kTestPort), static_cast<std::uint32_t>(EBUSY));
    EXPECT_FALSE(other.IsOpen());

    // Opening again without closing must not leave the line locked against itself.
    EXPECT_EQ(ErrorOfOpen(port, kTestPort), 0u);
    port.Close();
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(ErrorOfOpen(other, kTestPort), 0u);
    EXPECT_TRUE(other.IsOpen());

    char byte = 0;
    EXPECT_THROW(port.Read(&byte, 1), CSerialException);
    EXPECT_THROW(port.SetTimeouts(ReceptionTimeouts(100)), CSerialException);
}

TEST_F(SerialPortTest, UnmappedOrMissingDevicesFailToOpenAndStayClosed)
{
    EXPECT_EQ(ErrorOfOpen(port, 0), static_cast<std::uint32_t>(ENOENT));
    EXPECT_FALSE(port.IsOpen());
    CPortMap::SetOverride(kTestPort + 1, "/nonexistent/ttyNothing");
    EXPECT_EQ(ErrorOfOpen(port, kTestPort + 1), static_cast<std::uint32_t>(ENOENT));
    EXPECT_FALSE(port.IsOpen());
    CPortMap::ClearOverride(kTestPort + 1);
}

TEST(SerialPortRefusalTest, MappedPathThatIsNotACharacterDeviceIsRefusedUnopened)
{
    // Opening a FIFO would make its writer believe it has a reader; a file
    // or a folder is no line either.
    CTempDir dir;
    const std::string fifo = dir.File("fifo");
    const std::string file = dir.File("file");
    const std::string folder = dir.File("folder");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(file) << "not a line";
    std::filesystem::create_directory(folder);
    COpenWatch watch(dir.path.string());

    const struct {
        std::string path;
        const char* kind;
    } refused[] = {{fifo, "a FIFO"}, {file, "a regular file"}, {folder, "a folder"}};
    for (const auto& [path, kind] : refused) {
        SCOPED_TRACE(path);
        CPortMap::SetOverride(kTestPort, path);
        CSerialPort port;
        std::string reason;
        try {
            port.Open(kTestPort, 9600, CSerialPort::kParityNone, 8, CSerialPort::kStopBitsOne, CSerialPort::kFlowNone);
        } catch (const CSerialException& failure) {
            reason = failure.GetErrorMessage();
            EXPECT_STREQ(failure.what(), reason.c_str());
        }
        EXPECT_EQ(reason, path + " is not a character device (" + kind + ")");
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.GetDevicePath(), path);
        EXPECT_FALSE(CSerialPort::Probe(path));
    }
    CPortMap::ClearOverride(kTestPort);
    EXPECT_EQ(watch.Opened(), std::vector<std::string>());
    EXPECT_EQ(ReadWholeFile(file), "not a line");
}

// The descriptors of this process open on path.
std::vector<int> DescriptorsOn(const std::string& path)
{
    std::vector<int> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error).string() == path)
            found.push_back(std::stoi(entry.path().filename().string()));
    }
    return found;
}

TEST_F(SerialPortTest, DeviceIsOpenedForReadingOnlyAndForUsAlone)
{
    OpenPort();
    const std::vector<int> descriptors = DescriptorsOn(line.SlavePath());
    ASSERT_EQ(descriptors.size(), 1u);
    // Not a byte can reach the line through the port's descriptor.
    errno = 0;
    EXPECT_EQ(::write(descriptors[0], "x", 1), -1);
    EXPECT_EQ(errno, EBADF);
    pollfd master{line.MasterFd(), POLLIN, 0};
    EXPECT_EQ(::poll(&master, 1, 200), 0) << "the line received something";
    // The line still has its frame (set on the read-only descriptor) and is read.
    const termios state = StateOfLine();
    EXPECT_EQ(cfgetispeed(&state), static_cast<speed_t>(B9600));
    line.Write("$PSIM\r\n");
    EXPECT_EQ(TimedRead(port).bytes, "$PSIM\r\n");

    // Another user is kept out by the exclusive mode, as well as by the lock.
    ASSERT_TRUE(CUnprivileged::HandOver(line.SlavePath(), 0, 0666) || geteuid() != 0);
    const CUnprivileged nobody;
    if (nobody.Active()) {
        const int other = ::open(line.SlavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        EXPECT_EQ(other, -1);
        EXPECT_EQ(errno, EBUSY);
        if (other >= 0)
            ::close(other);
    }
}

TEST_F(SerialPortTest, DeviceNotOpenToTheUserSaysWhoseItIsAndWhatToDo)
{
    const group* dialout = getgrnam("dialout");
    const group* nogroup = getgrgid(CUnprivileged::kNobody);
    if (geteuid() != 0 || dialout == nullptr || nogroup == nullptr)
        GTEST_SKIP() << "needs root, and the groups dialout and nogroup, to hand a device to a group nobody is not in";
    const std::string path = line.SlavePath();
    const std::string dialoutName = dialout->gr_name;
    const std::string nogroupName = nogroup->gr_name;
    const struct {
        gid_t deviceGroup;
        mode_t mode;
        gid_t processGroup;  // the user's own group stays nobody's unless given
        std::string why;     // "" when the user may open it
    } cases[] = {
        // Joining the group lets the user in: the command that does it.
        {dialout->gr_gid, 0660, CUnprivileged::kNobody,
         "it belongs to group " + dialoutName + "; run: sudo usermod -aG " + dialoutName +
             " $USER, then log out and in"},
        {dialout->gr_gid, 0640, CUnprivileged::kNobody,
         "it belongs to group " + dialoutName + "; run: sudo usermod -aG " + dialoutName +
             " $USER, then log out and in"},
        // The user is in the group already, but not in this session.
        {nogroup->gr_gid, 0660, 0,
         "it belongs to group " + nogroupName + ", which you joined after logging in; log out and in"},
        // The group may not read it: joining it would not help.
        {dialout->gr_gid, 0620, CUnprivileged::kNobody,
         "permission denied (owner root, group " + dialoutName + ", mode 0620)"},
        {dialout->gr_gid, 0600, CUnprivileged::kNobody,
         "permission denied (owner root, group " + dialoutName + ", mode 0600)"},
        // In the group, or open to all: no refusal.
        {dialout->gr_gid, 0660, dialout->gr_gid, ""},
        {0, 0604, CUnprivileged::kNobody, ""},
    };
    for (const auto& [deviceGroup, mode, processGroup, why] : cases) {
        SCOPED_TRACE(why.empty() ? "open to the user" : why);
        ASSERT_TRUE(CUnprivileged::HandOver(path, deviceGroup, mode));
        std::string reason;
        std::uint32_t error = 0;
        bool denied = false;
        bool opened = false;
        {
            const CUnprivileged user(processGroup);
            ASSERT_TRUE(user.Active()) << user.Why();
            denied = CSerialPortAccess::IsDenied(path);
            try {
                port.Open(kTestPort, 9600, CSerialPort::kParityNone, 8, CSerialPort::kStopBitsOne,
                          CSerialPort::kFlowNone);
            } catch (const CSerialException& failure) {
                error = failure.errorCode;
                reason = failure.what();
            }
            opened = port.IsOpen();
            port.Close();
        }
        if (why.empty()) {
            EXPECT_FALSE(denied);
            EXPECT_TRUE(opened) << reason;
        } else {
            EXPECT_TRUE(denied);
            EXPECT_FALSE(opened);
            EXPECT_EQ(error, static_cast<std::uint32_t>(EACCES));
            EXPECT_EQ(reason, path + " is not open to you: " + why);
        }
    }
}

TEST_F(SerialPortTest, FramesOfTheTwoLineSettingsAreApplied)
{
    // A pseudo-terminal keeps rate, stop bits, odd parity and the raw mode;
    // it forces eight bits without parity, so those are checked apart below.
    port.Open(kTestPort, 9600, CSerialPort::kParityNone, 8, CSerialPort::kStopBitsOne, CSerialPort::kFlowNone);
    EXPECT_EQ(port.GetFrameKept(), "");
    termios state = StateOfLine();
    EXPECT_EQ(cfgetispeed(&state), B9600);
    EXPECT_EQ(state.c_cflag & (PARODD | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(state.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(state.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(state.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);

    // Asked for 7-O-2 it keeps 8 bits without parity, once and again (the
    // system's check after setting finds that the second time): it is
    // taken as it is, and what it kept is told.
    const std::string kept = line.SlavePath() + " is a pseudo-terminal and keeps 8-N-2 whatever it is asked; "
                                                "it is used so instead of 7-O-2";
    for (int opening = 0; opening < 2; ++opening) {
        port.Open(kTestPort, 2400, CSerialPort::kParityOdd, 7, CSerialPort::kStopBitsTwo, CSerialPort::kFlowNone);
        EXPECT_EQ(port.GetFrameKept(), kept) << opening;
        state = StateOfLine();
        EXPECT_EQ(cfgetospeed(&state), B2400);
        EXPECT_EQ(state.c_cflag & (PARODD | CMSPAR | CSTOPB), static_cast<tcflag_t>(PARODD | CSTOPB));
        EXPECT_EQ(state.c_lflag & (ICANON | ECHO | ISIG), 0u);
    }
    // The same rule for the simulator's side of a line.
    const int writer = ::open(line.SlavePath().c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    const CSerialFrame sevenOdd{2400, CSerialPort::kParityOdd, 7, CSerialPort::kStopBitsTwo};
    EXPECT_EQ(CSerialPort::ApplyFrame(writer, line.SlavePath(), sevenOdd), kept);
    EXPECT_EQ(CSerialPort::ApplyFrame(writer, line.SlavePath(), CSerialFrame{}), "");
    ::close(writer);

    // A rate the system does not offer fails after the device was opened:
    // the caller decides whether to close again.
    EXPECT_THROW(port.Open(kTestPort, 12345, CSerialPort::kParityNone, 8, 0, 0), CSerialException);
    EXPECT_TRUE(port.IsOpen());
}

// A line as a terminal leaves it: cooked, echoing, 8-N-1 with XON/XOFF.
termios CookedLine()
{
    termios state{};
    state.c_iflag = ICRNL | IXON | ISTRIP;
    state.c_oflag = OPOST;
    state.c_lflag = ICANON | ECHO | ISIG;
    state.c_cflag = CS8;
    cfsetispeed(&state, B38400);
    cfsetospeed(&state, B38400);
    return state;
}

termios Composed(unsigned rate, int parity, std::uint8_t dataBits, int stopBits, int flow,
                 termios state = CookedLine())
{
    CSerialPort::ComposeState(state, rate, parity, dataBits, stopBits, flow);
    return state;
}

TEST(SerialFrameTest, TheTwoFramesAtEveryRateTheSettingsOffer)
{
    const struct { unsigned rate; speed_t speed; } rates[] = {
        {2400, B2400}, {4800, B4800}, {9600, B9600}, {19200, B19200},
        {38400, B38400}, {57600, B57600}, {115200, B115200},
    };
    const tcflag_t frameBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    for (const auto& [rate, speed] : rates) {
        const termios eightNone = Composed(rate, CSerialPort::kParityNone, 8, CSerialPort::kStopBitsOne, 0);
        EXPECT_EQ(cfgetispeed(&eightNone), speed) << rate;
        EXPECT_EQ(cfgetospeed(&eightNone), speed) << rate;
        EXPECT_EQ(eightNone.c_cflag & frameBits, static_cast<tcflag_t>(CS8)) << rate;
        EXPECT_EQ(eightNone.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(eightNone.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
        EXPECT_EQ(eightNone.c_oflag & OPOST, 0u);

        const termios sevenOdd = Composed(rate, CSerialPort::kParityOdd, 7, CSerialPort::kStopBitsTwo, 0);
        EXPECT_EQ(sevenOdd.c_cflag & frameBits, static_cast<tcflag_t>(CS7 | PARENB | PARODD | CSTOPB)) << rate;
    }
    termios state = CookedLine();
    EXPECT_THROW(CSerialPort::ComposeState(state, 9601, 2, 8, 0, 0), CSerialException);
    EXPECT_THROW(CSerialPort::ComposeState(state, 9600, 2, 9, 0, 0), CSerialException);
}

TEST(SerialFrameTest, ParityStopBitAndFlowCodes)
{
    const tcflag_t parityBits = PARENB | PARODD | CMSPAR;
    EXPECT_EQ(Composed(9600, CSerialPort::kParityEven, 8, 0, 0).c_cflag & parityBits, static_cast<tcflag_t>(PARENB));
    EXPECT_EQ(Composed(9600, CSerialPort::kParityMark, 8, 0, 0).c_cflag & parityBits, parityBits);
    EXPECT_EQ(Composed(9600, CSerialPort::kParitySpace, 8, 0, 0).c_cflag & parityBits,
              static_cast<tcflag_t>(PARENB | CMSPAR));
    EXPECT_NE(Composed(9600, 2, 8, CSerialPort::kStopBitsOneAndHalf, 0).c_cflag & CSTOPB, 0u);

    const termios xonXoff = Composed(9600, 2, 8, 0, CSerialPort::kFlowXonXoff);
    EXPECT_EQ(xonXoff.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(xonXoff.c_cc[VSTART], 0x11);
    EXPECT_EQ(xonXoff.c_cc[VSTOP], 0x13);
    EXPECT_EQ(xonXoff.c_cflag & CRTSCTS, 0u);
    for (int hardware : {CSerialPort::kFlowCtsRts, CSerialPort::kFlowCtsDtr, CSerialPort::kFlowDsrRts,
                         CSerialPort::kFlowDsrDtr}) {
        const termios state = Composed(9600, 2, 8, 0, hardware, xonXoff);
        EXPECT_NE(state.c_cflag & CRTSCTS, 0u) << hardware;
        EXPECT_EQ(state.c_iflag & (IXON | IXOFF), 0u) << hardware;
    }

    // Codes outside the tables keep what the line had.
    const termios before = Composed(9600, CSerialPort::kParityMark, 8, CSerialPort::kStopBitsTwo,
                                    CSerialPort::kFlowXonXoff);
    const termios after = Composed(9600, 7, 8, 3, 42, before);
    EXPECT_EQ(after.c_cflag & (parityBits | CSTOPB | CRTSCTS), before.c_cflag & (parityBits | CSTOPB | CRTSCTS));
    EXPECT_EQ(after.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
}

// ---------------------------------------------------------------- a device that goes away

TEST_F(SerialPortTest, VanishedDeviceMakesTheReadThrow)
{
    OpenPort(5000);
    auto read = StartRead();
    std::this_thread::sleep_for(100ms);
    line.CloseMaster();
    EXPECT_THROW(Finish(read), CSerialException);
}

TEST_F(SerialPortTest, BytesAlreadyReadSurviveTheDeviceGoingAway)
{
    OpenPort(5000);
    port.SetTimeouts(SlowSilence());
    auto read = StartRead();
    line.Write("$PSIM");
    std::this_thread::sleep_for(200ms);  // the read holds the bytes and waits for silence
    line.CloseMaster();
    EXPECT_EQ(Finish(read).bytes, "$PSIM");
    EXPECT_THROW(TimedRead(port), CSerialException);
}

// ---------------------------------------------------------------- interrupting a read

TEST_F(SerialPortTest, InterruptEndsAnIdleReadAtOnce)
{
    OpenPort(10000);
    auto read = StartRead();
    std::this_thread::sleep_for(100ms);
    port.InterruptRead();
    const CReadResult result = Finish(read);
    EXPECT_TRUE(result.bytes.empty());
    EXPECT_TRUE(result.interrupted);
    EXPECT_LT(result.seconds, 3.0);
}

TEST_F(SerialPortTest, InterruptEndsOnlyTheNextReadAndCanBeTakenBack)
{
    OpenPort(200);
    port.InterruptRead();
    const CReadResult ended = TimedRead(port);
    EXPECT_TRUE(ended.interrupted);
    EXPECT_LT(ended.seconds, 0.2);

    const CReadResult normal = TimedRead(port);
    EXPECT_FALSE(normal.interrupted);
    EXPECT_GE(normal.seconds, 0.9 * 0.456);

    port.InterruptRead();
    port.ClearInterrupt();
    line.Write("GGA");
    const CReadResult afterClear = TimedRead(port);
    EXPECT_FALSE(afterClear.interrupted);
    EXPECT_EQ(afterClear.bytes, "GGA");
}

TEST_F(SerialPortTest, InterruptDoesNotCutAReadThatHasBytes)
{
    OpenPort(5000);
    // Bytes that come with the request, before the read has woken, go first.
    auto racing = StartRead();
    std::this_thread::sleep_for(50ms);
    line.Write("X");
    port.InterruptRead();
    const CReadResult raced = Finish(racing);
    EXPECT_EQ(raced.bytes, "X");
    EXPECT_FALSE(raced.interrupted);
    port.ClearInterrupt();

    port.SetTimeouts(SlowSilence());
    auto read = StartRead();
    line.Write("first half,");
    std::this_thread::sleep_for(200ms);  // the read holds the bytes and waits for silence
    port.InterruptRead();
    std::this_thread::sleep_for(50ms);
    line.Write("second half");
    const CReadResult result = Finish(read);
    EXPECT_EQ(result.bytes, "first half,second half");
    EXPECT_FALSE(result.interrupted);
}

// ---------------------------------------------------------------- the error's text

TEST(SerialExceptionTest, MessageIsTheSystemTextCutToTheBuffer)
{
    const CSerialException busy(EBUSY);
    EXPECT_EQ(busy.GetErrorMessage(), std::strerror(EBUSY));
    EXPECT_STREQ(busy.what(), std::strerror(EBUSY));

    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    unsigned helpContext = 99;
    EXPECT_TRUE(busy.GetErrorMessage(buffer, 5, &helpContext));
    EXPECT_EQ(helpContext, 0u);
    EXPECT_EQ(std::string(buffer), std::string(std::strerror(EBUSY)).substr(0, 4));
    EXPECT_EQ(buffer[5], 'x');

    // No room at all: nothing is written, not even the terminating NUL.
    EXPECT_FALSE(busy.GetErrorMessage(buffer, 0));
    EXPECT_EQ(buffer[0], std::strerror(EBUSY)[0]);

    const CSerialException unknown(987654);
    buffer[0] = 'x';
    EXPECT_FALSE(unknown.GetErrorMessage(buffer, sizeof buffer));
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_NE(std::string(unknown.what()).find("987654"), std::string::npos);
}

}  // namespace
