// Which device a COM number opens: the defaults, the per-user file, the
// environment and this process's overrides, each winning over the one before.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "acquisition/PortMap.h"
#include "acquisition/SerialPort.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/TestConfigHome.h"

namespace {

class PortMapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(TestCompanyFolder());
        if (const char* ports = getenv("VANTREL_PORTS"))
            savedPorts = ports;
        unsetenv("VANTREL_PORTS");
    }
    void TearDown() override
    {
        std::filesystem::remove(CPortMap::UserFilePath());
        if (savedPorts)
            setenv("VANTREL_PORTS", savedPorts->c_str(), 1);
        else
            unsetenv("VANTREL_PORTS");
    }

    static void WriteUserFile(const std::string& text) { std::ofstream(CPortMap::UserFilePath()) << text; }
    static void SetEnvironment(const std::string& entries) { setenv("VANTREL_PORTS", entries.c_str(), 1); }
    static bool IsMapped(int number)
    {
        const std::vector<int> ports = CPortMap::MappedPorts();
        return std::find(ports.begin(), ports.end(), number) != ports.end();
    }

    std::optional<std::string> savedPorts;
};

TEST_F(PortMapTest, DefaultsCoverTheUsualSerialDevices)
{
    const struct { int number; const char* path; } table[] = {
        {1, "/dev/ttyS0"},    {32, "/dev/ttyS31"},  {33, "/dev/ttyUSB0"}, {40, "/dev/ttyUSB7"},
        {41, "/dev/ttyACM0"}, {48, "/dev/ttyACM7"}, {49, "/dev/ttyAMA0"}, {50, ""},
        {0, ""},              {-3, ""},
    };
    for (const auto& [number, path] : table)
        EXPECT_EQ(CPortMap::DevicePath(number), path) << number;

    const std::vector<int> ports = CPortMap::MappedPorts();
    EXPECT_TRUE(std::is_sorted(ports.begin(), ports.end()));
    for (int number = 1; number <= 49; ++number)
        EXPECT_TRUE(IsMapped(number)) << number;
    EXPECT_FALSE(IsMapped(50));
}

TEST_F(PortMapTest, FileThenEnvironmentThenOverrideWin)
{
    WriteUserFile("COM3=/dev/from-file\nCOM60=/dev/only-in-file\n");
    EXPECT_EQ(CPortMap::DevicePath(3), "/dev/from-file");
    EXPECT_EQ(CPortMap::DevicePath(60), "/dev/only-in-file");

    SetEnvironment("COM3=/dev/from-environment");
    EXPECT_EQ(CPortMap::DevicePath(3), "/dev/from-environment");
    EXPECT_EQ(CPortMap::DevicePath(60), "/dev/only-in-file");

    CPortMap::SetOverride(3, "/dev/from-override");
    EXPECT_EQ(CPortMap::DevicePath(3), "/dev/from-override");
    CPortMap::ClearOverride(3);
    EXPECT_EQ(CPortMap::DevicePath(3), "/dev/from-environment");
    CPortMap::SetOverride(4, "");  // unmapped for this process only
    EXPECT_EQ(CPortMap::DevicePath(4), "");
    EXPECT_FALSE(IsMapped(4));
    CPortMap::ClearOverride(4);
    EXPECT_EQ(CPortMap::DevicePath(4), "/dev/ttyS3");

    // Both are read again at every lookup.
    unsetenv("VANTREL_PORTS");
    EXPECT_EQ(CPortMap::DevicePath(3), "/dev/from-file");
    std::filesystem::remove(CPortMap::UserFilePath());
    EXPECT_EQ(CPortMap::DevicePath(3), "/dev/ttyS2");
}

TEST_F(PortMapTest, UserFileKeepsCommentsBlanksAndForeignLineEndsOut)
{
    WriteUserFile("# the bench setup\r\n"
                  "\n"
                  "  com7 = /dev/pts/5 \r\n"
                  "COM8/dev/missing-equals\n"
                  "COMX=/dev/not-a-number\n"
                  "COM0=/dev/zero-port\n"
                  "COM9 =\n"
                  "#COM10=/dev/commented\n"
                  "COM70=/dev/ttyUSB9");
    EXPECT_EQ(CPortMap::DevicePath(7), "/dev/pts/5");
    EXPECT_EQ(CPortMap::DevicePath(8), "/dev/ttyS7");
    EXPECT_EQ(CPortMap::DevicePath(0), "");
    EXPECT_EQ(CPortMap::DevicePath(10), "/dev/ttyS9");
    EXPECT_EQ(CPortMap::DevicePath(70), "/dev/ttyUSB9");
    // An empty path takes the number off the list of ports to offer.
    EXPECT_EQ(CPortMap::DevicePath(9), "");
    EXPECT_FALSE(IsMapped(9));
    EXPECT_TRUE(IsMapped(70));
}

TEST_F(PortMapTest, EnvironmentEntriesAreSeparatedBySemicolons)
{
    SetEnvironment(";COM2=/dev/pts/1;;COM99=/dev/pts/2; COM5 = /dev/pts/3 ;garbage;COM6=");
    EXPECT_EQ(CPortMap::DevicePath(2), "/dev/pts/1");
    EXPECT_EQ(CPortMap::DevicePath(99), "/dev/pts/2");
    EXPECT_EQ(CPortMap::DevicePath(5), "/dev/pts/3");
    EXPECT_EQ(CPortMap::DevicePath(6), "");
    EXPECT_TRUE(IsMapped(99));
    EXPECT_FALSE(IsMapped(6));
}

// An entry's path is shown on terminals and in the settings dialog: control
// characters in it are read as '?', and the path opened is the one shown
// (an entry never falls back to the port's default device). Other
// characters stay, UTF-8 ones too.
TEST_F(PortMapTest, ControlCharactersInEntriesAreReadAsQuestionMarks)
{
    WriteUserFile("COM12=/dev/tty\x1b[31mred\nCOM13=/dev/pts/\x07" "7\n");
    SetEnvironment("COM14=udp://:5600\x1b]2\x07;COM15=/home/Stra\xc3\x9f" "e/\xc3\x80pty\xc2\x9b" "1\x7f");
    const struct {
        int number;
        const char* path;
    } table[] = {
        {12, "/dev/tty?[31mred"},
        {13, "/dev/pts/?7"},
        {14, "udp://:5600?]2?"},
        {15, "/home/Stra\xc3\x9f" "e/\xc3\x80pty?1?"},
    };
    for (const auto& [number, path] : table) {
        EXPECT_EQ(CPortMap::DevicePath(number), path) << number;
        EXPECT_EQ(CPortMap::LineAddress(number).text, path) << number;
    }
    EXPECT_TRUE(IsMapped(12));
}

TEST_F(PortMapTest, UserFileLivesBesideTheSettings)
{
    EXPECT_EQ(CPortMap::UserFilePath(), TestCompanyFolder() + "/Vantrel-ports.conf");

    const std::string configHome = getenv("XDG_CONFIG_HOME");
    const char* home = getenv("HOME");
    const std::string savedHome = home != nullptr ? home : "";
    setenv("HOME", "/home/surveyor", 1);
    unsetenv("XDG_CONFIG_HOME");
    const std::string fallback = CPortMap::UserFilePath();
    setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
    if (home != nullptr)
        setenv("HOME", savedHome.c_str(), 1);
    else
        unsetenv("HOME");
    EXPECT_EQ(fallback, "/home/surveyor/.config/Quorvane International Ltd/Vantrel-ports.conf");
}

}  // namespace

TEST_F(PortMapTest, AdaptersStableNamesAreFoundAndMapAsAnyPath)
{
    // A folder as udev keeps /dev/serial/by-id: one link per adapter.
    const CPseudoTerminal adapter;
    const CPseudoTerminal another;
    CTempDir byId;
    const std::string stable = byId.File("usb-Quorvane_USB_Serial_A50285BI-if00-port0");
    std::filesystem::create_symlink(adapter.SlavePath(), stable);
    std::filesystem::create_symlink("/nonexistent/ttyUSB9", byId.File("usb-gone-if00-port0"));
    std::ofstream(byId.File("not-a-device")) << "x";

    const struct {
        std::string devicePath;
        std::string folder;
        std::string stableName;
    } cases[] = {
        {adapter.SlavePath(), byId.path.string(), stable},
        {another.SlavePath(), byId.path.string(), ""},        // no name of its own
        {stable, byId.path.string(), ""},                     // it is the stable name
        {"/nonexistent/ttyUSB9", byId.path.string(), ""},
        {byId.File("not-a-device"), byId.path.string(), ""},
        {adapter.SlavePath(), "/nonexistent/by-id", ""},      // no adapters plugged in
    };
    for (const auto& [devicePath, folder, stableName] : cases)
        EXPECT_EQ(CPortMap::StableName(devicePath, folder), stableName) << devicePath;

    // Names as udev makes them (':' and '=' included) map a port as any path does.
    const std::string byPath = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0";
    WriteUserFile("COM33=" + stable + "\n");
    SetEnvironment("COM34=" + byPath + ";COM35=/dev/serial/by-id/usb-FTDI_x=y-if00-port0");
    EXPECT_EQ(CPortMap::DevicePath(33), stable);
    EXPECT_EQ(CPortMap::DevicePath(34), byPath);
    EXPECT_EQ(CPortMap::DevicePath(35), "/dev/serial/by-id/usb-FTDI_x=y-if00-port0");
    EXPECT_FALSE(CPortMap::LineAddress(34).IsNetwork());

    // Opened through its stable name, the adapter is held against its kernel name too.
    CSerialPort port;
    port.Open(33, 9600, CSerialPort::kParityNone, 8, CSerialPort::kStopBitsOne, CSerialPort::kFlowNone);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(adapter.IsHeldOpen());
}
