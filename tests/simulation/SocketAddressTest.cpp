// Addresses as the user writes them for the simulator's network sources.
#include <gtest/gtest.h>

#include <stdexcept>

#include "simulation/SocketAddress.h"

namespace {

TEST(SocketAddressTest, HostAndPortAreReadInEveryFormTheUserWrites)
{
    struct Case {
        const char* text;
        const char* host;
        int port;
    };
    for (const Case& c : {Case{"127.0.0.1:5600", "127.0.0.1", 5600}, Case{"[::1]:4001", "::1", 4001},
                          Case{"nav-pc.local:65535", "nav-pc.local", 65535}, Case{"239.192.0.1:0", "239.192.0.1", 0}}) {
        const auto parsed = CHostPort::Parse(c.text);
        ASSERT_TRUE(parsed) << c.text;
        EXPECT_EQ(parsed->host, c.host);
        EXPECT_EQ(parsed->port, c.port);
    }
    const auto portOnly = CHostPort::Parse("4001", "127.0.0.1");
    ASSERT_TRUE(portOnly);
    EXPECT_EQ(portOnly->host, "127.0.0.1");
    EXPECT_EQ(portOnly->port, 4001);
}

TEST(SocketAddressTest, TextThatIsNoHostAndPortIsRefused)
{
    for (const char* text : {"", "5600", ":5600", "host:", "host:65536", "host:-1", "host:56x", "host:+56", "::1:5600",
                             "[::1]", "[::1]5600", "[::1:5600", "[]:5600", "host:123456"})
        EXPECT_FALSE(CHostPort::Parse(text)) << text;
    EXPECT_FALSE(CHostPort::Parse("", "127.0.0.1"));
    EXPECT_FALSE(CHostPort::Parse("port", "127.0.0.1"));
}

TEST(SocketAddressTest, ResolvedAddressesReadBackAsTheUserWritesThem)
{
    EXPECT_EQ(CSocketAddress::Resolve({"127.0.0.1", 5600}, SOCK_DGRAM).Text(), "127.0.0.1:5600");
    const CSocketAddress v6 = CSocketAddress::Resolve({"::1", 4001}, SOCK_STREAM);
    EXPECT_EQ(v6.Family(), AF_INET6);
    EXPECT_EQ(v6.Text(), "[::1]:4001");
    EXPECT_EQ(v6.Port(), 4001);
    // A host name is looked up once, to one of its addresses.
    const std::string localhost = CSocketAddress::Resolve({"localhost", 80}, SOCK_DGRAM).Text();
    EXPECT_TRUE(localhost == "127.0.0.1:80" || localhost == "[::1]:80") << localhost;
}

TEST(SocketAddressTest, UnknownHostIsToldWithTheReason)
{
    try {
        CSocketAddress::Resolve({"no-such-host.invalid", 5600}, SOCK_DGRAM);
        FAIL() << "resolved";
    } catch (const std::runtime_error& error) {
        const std::string what = error.what();
        EXPECT_EQ(what.rfind("cannot resolve no-such-host.invalid: ", 0), 0u) << what;
        EXPECT_GT(what.size(), std::string("cannot resolve no-such-host.invalid: ").size());
    }
}

} // namespace
