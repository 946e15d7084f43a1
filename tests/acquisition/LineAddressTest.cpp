// How a port map entry is read: device paths stay paths, udp:// and tcp://
// URLs become network lines, and a malformed URL says what is wrong with it.
#include <gtest/gtest.h>

#include <string>

#include "acquisition/LineAddress.h"
#include "acquisition/PortMap.h"

namespace {

using Kind = CLineAddress::Kind;

TEST(LineAddressTest, DevicePathsAndOtherTextsStayDevicePaths)
{
    for (const std::string entry : {"/dev/ttyUSB0", "", "udp:/:5000", "udpx://:5000", "http://host:80", "tcp//h:1"}) {
        const CLineAddress address = CLineAddress::Parse(entry);
        EXPECT_EQ(address.kind, Kind::Device) << entry;
        EXPECT_FALSE(address.IsNetwork()) << entry;
        EXPECT_EQ(address.text, entry);
        EXPECT_EQ(address.error, "") << entry;
    }
}

TEST(LineAddressTest, NetworkUrls)
{
    struct CCase {
        std::string entry;
        Kind kind;
        std::string host;
        std::uint16_t port;
        std::string from;
        std::string joinInterface;
    };
    const CCase cases[] = {
        {"udp://127.0.0.1:5000", Kind::Udp, "127.0.0.1", 5000, "", ""},
        {"udp://:10110", Kind::Udp, "", 10110, "", ""},
        {"UDP://[::1]:65535", Kind::Udp, "::1", 65535, "", ""},
        {"udp://[::]:1", Kind::Udp, "::", 1, "", ""},
        {"udp://:5000?from=10.0.0.7", Kind::Udp, "", 5000, "10.0.0.7", ""},
        {"udp://239.1.2.3:5000?interface=eth1&from=hipap.local", Kind::Udp, "239.1.2.3", 5000, "hipap.local", "eth1"},
        {"tcp://192.168.1.50:4001", Kind::Tcp, "192.168.1.50", 4001, "", ""},
        {"Tcp://deviceserver.local:4001", Kind::Tcp, "deviceserver.local", 4001, "", ""},
        {"tcp://[fd00::2]:23", Kind::Tcp, "fd00::2", 23, "", ""},
    };
    for (const CCase& expected : cases) {
        SCOPED_TRACE(expected.entry);
        const CLineAddress address = CLineAddress::Parse(expected.entry);
        EXPECT_EQ(address.error, "");
        EXPECT_EQ(address.kind, expected.kind);
        EXPECT_TRUE(address.IsNetwork());
        EXPECT_EQ(address.text, expected.entry);
        EXPECT_EQ(address.host, expected.host);
        EXPECT_EQ(address.port, expected.port);
        EXPECT_EQ(address.from, expected.from);
        EXPECT_EQ(address.joinInterface, expected.joinInterface);
    }
}

TEST(LineAddressTest, MalformedUrlsSayWhatIsWrong)
{
    const std::pair<std::string, std::string> cases[] = {
        {"udp://127.0.0.1", "no port (udp://ADDRESS:PORT)"},
        {"tcp://deviceserver", "no port (tcp://HOST:PORT)"},
        {"udp://", "no port (udp://ADDRESS:PORT)"},
        {"udp://:0", "bad port '0' (a number from 1 to 65535)"},
        {"udp://:65536", "bad port '65536' (a number from 1 to 65535)"},
        {"udp://:50a", "bad port '50a' (a number from 1 to 65535)"},
        {"udp://:", "bad port '' (a number from 1 to 65535)"},
        {"udp://:5000/", "bad port '5000/' (a number from 1 to 65535)"},
        {"udp://:-1", "bad port '-1' (a number from 1 to 65535)"},
        {"tcp://:4001", "no host to connect to (tcp://HOST:PORT)"},
        {"udp://::1:5000", "an IPv6 address is written in brackets, as udp://[::1]:PORT"},
        {"udp://[::1:5000", "the IPv6 address has no closing ']'"},
        {"udp://[]:5000", "the brackets hold no IPv6 address"},
        {"udp://[::1]5000", "no port (udp://ADDRESS:PORT)"},
        {"udp://:5000?from=", "the option from= names nothing"},
        {"udp://:5000?from", "the option from= names nothing"},
        {"udp://:5000?to=10.0.0.1", "unknown option 'to=10.0.0.1' (from=HOST or interface=IF)"},
        {"udp://:5000?from=a&&interface=b", "unknown option '' (from=HOST or interface=IF)"},
        {"tcp://host:4001?from=a", "tcp:// takes no options after '?'"},
    };
    for (const auto& [entry, error] : cases) {
        const CLineAddress address = CLineAddress::Parse(entry);
        EXPECT_TRUE(address.IsNetwork()) << entry;
        EXPECT_EQ(address.error, error) << entry;
        EXPECT_EQ(address.text, entry);
    }
}

TEST(LineAddressTest, PortMapReadsTheEntryOfThePort)
{
    CPortMap::SetOverride(290, "tcp://127.0.0.1:4001");
    const CLineAddress network = CPortMap::LineAddress(290);
    CPortMap::ClearOverride(290);
    EXPECT_EQ(network.kind, Kind::Tcp);
    EXPECT_EQ(network.portNumber, 290);
    EXPECT_EQ(network.port, 4001);
    EXPECT_EQ(CPortMap::DevicePath(290), "");  // unmapped again

    const CLineAddress device = CPortMap::LineAddress(3);
    EXPECT_EQ(device.kind, Kind::Device);
    EXPECT_EQ(device.portNumber, 3);
    EXPECT_EQ(device.text, CPortMap::DevicePath(3));
}

} // namespace
