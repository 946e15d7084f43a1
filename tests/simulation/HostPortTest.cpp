// Addresses as the user writes them for the simulator's network sources.
#include <gtest/gtest.h>

#include <exception>

#include "simulation/HostPort.h"

namespace {

TEST(HostPortTest, HostAndPortAreReadInEveryFormTheUserWrites)
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

TEST(HostPortTest, TextThatIsNoHostAndPortIsRefused)
{
    for (const char* text : {"", "5600", ":5600", "host:", "host:65536", "host:-1", "host:56x", "host:+56", "::1:5600",
                             "[::1]", "[::1]5600", "[::1:5600", "[]:5600", "host:123456"})
        EXPECT_FALSE(CHostPort::Parse(text)) << text;
    EXPECT_FALSE(CHostPort::Parse("", "127.0.0.1"));
    EXPECT_FALSE(CHostPort::Parse("port", "127.0.0.1"));
}

TEST(HostPortTest, ResolvedAddressesReadBackAsTheUserWritesThem)
{
    EXPECT_EQ(CHostPort::Of(CHostPort{"127.0.0.1", 5600}.Resolve(SOCK_DGRAM)).Text(), "127.0.0.1:5600");
    const CSocketAddress v6 = CHostPort{"::1", 4001}.Resolve(SOCK_STREAM);
    EXPECT_EQ(v6.Family(), AF_INET6);
    EXPECT_EQ(CHostPort::Of(v6).Text(), "[::1]:4001");
    EXPECT_EQ(CHostPort::Of(v6).port, 4001);
    // A host name is looked up once, to one of its addresses.
    const std::string localhost = CHostPort::Of(CHostPort{"localhost", 80}.Resolve(SOCK_DGRAM)).Text();
    EXPECT_TRUE(localhost == "127.0.0.1:80" || localhost == "[::1]:80") << localhost;
}

TEST(HostPortTest, UnknownHostIsToldWithTheReason)
{
    try {
        CHostPort{"no-such-host.invalid", 5600}.Resolve(SOCK_DGRAM);
        FAIL() << "resolved";
    } catch (const std::exception& error) {
        const std::string what = error.what();
        EXPECT_EQ(what.rfind("cannot resolve no-such-host.invalid: ", 0), 0u) << what;
        EXPECT_GT(what.size(), std::string("cannot resolve no-such-host.invalid: ").size());
    }
}

} // namespace
