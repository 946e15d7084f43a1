// The TCP line against a server on the loopback interface: framed like a
// serial line, a refused connection, a server that goes away, a host name,
// an opening that the user interrupts, and never a byte sent.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>

#include "acquisition/TcpLine.h"
#include "tests/support/Eventually.h"
#include "tests/support/LoopbackPeers.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string Pattern(std::size_t size)
{
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i)
        bytes += static_cast<char>((i * 7) & 0xFF);
    return bytes;
}

std::string ReasonOfOpening(CTcpLine& line, const std::string& url)
{
    try {
        line.Open(CLineAddress::Parse(url), CSerialFrame{});
    } catch (const CSerialException& refusal) {
        return refusal.GetErrorMessage();
    }
    return "opened";
}

class TcpLineTest : public ::testing::Test {
protected:
    // Connects to the server; silenceMs of quiet ends a telegram.
    void Connect(std::uint32_t totalMs = 3000, std::uint32_t silenceMs = 60, const std::string& url = "")
    {
        line.Open(CLineAddress::Parse(url.empty() ? server.Url() : url), CSerialFrame{});
        ASSERT_TRUE(line.IsOpen());
        COMMTIMEOUTS timeouts;
        timeouts.ReadIntervalTimeout = silenceMs;
        timeouts.ReadTotalTimeoutMultiplier = 1;
        timeouts.ReadTotalTimeoutConstant = totalMs;
        line.SetTimeouts(timeouts);
        ASSERT_TRUE(Eventually([this] { return server.Connected() == 1; }));
    }

    std::string Read(CLineRead* details = nullptr)
    {
        unsigned char buffer[256];
        const CLineRead read = line.Read(buffer, sizeof buffer);
        if (details != nullptr)
            *details = read;
        return std::string(reinterpret_cast<const char*>(buffer), read.count);
    }

    CTcpServer server;
    CTcpLine line;
};

TEST_F(TcpLineTest, StreamIsFramedLikeASerialLine)
{
    // A long silence, so a busy machine cannot split the two sends.
    Connect(3000, 600);
    EXPECT_EQ(line.Name(), server.Url());
    const std::string burst = Pattern(300);
    ASSERT_TRUE(server.Send(burst));
    EXPECT_EQ(Read(), burst.substr(0, 256));
    EXPECT_EQ(Read(), burst.substr(256));
    ASSERT_TRUE(server.Send("AB"));
    ASSERT_TRUE(server.Send("CD"));
    EXPECT_EQ(Read(), "ABCD");
}

TEST_F(TcpLineTest, SilentServerGivesAnEmptyReadAtTheTimeout)
{
    Connect(300);
    const auto start = Clock::now();
    CLineRead read;
    EXPECT_EQ(Read(&read), "");
    EXPECT_FALSE(read.interrupted);
    EXPECT_GE(Clock::now() - start, 500ms);
    EXPECT_GT(read.receiveTime, 0.0);
    EXPECT_TRUE(server.ClientsSentNothing());  // the line only listens
}

TEST_F(TcpLineTest, ServerThatGoesAwayIsALostLineAfterItsLastBytes)
{
    Connect();
    ASSERT_TRUE(server.Send("last words"));
    std::this_thread::sleep_for(50ms);
    server.Stop();
    EXPECT_EQ(Read(), "last words");
    try {
        Read();
        FAIL() << "read a line whose server had gone";
    } catch (const CSerialException& loss) {
        EXPECT_EQ(loss.GetErrorMessage(), "the server closed the connection");
    }
}

TEST_F(TcpLineTest, RefusedConnectionAndMalformedUrlAreToldWithTheirReason)
{
    const std::string url = server.Url();
    server.Stop();
    EXPECT_EQ(ReasonOfOpening(line, url), "Connection refused");
    EXPECT_FALSE(line.IsOpen());
    EXPECT_EQ(line.Name(), url);
    EXPECT_EQ(ReasonOfOpening(line, "tcp://:4001"), "no host to connect to (tcp://HOST:PORT)");
    EXPECT_EQ(line.Name(), "tcp://:4001");
}

TEST_F(TcpLineTest, HostNameIsLookedUpAndEachOfItsAddressesTried)
{
    // localhost may name ::1 first, where nobody listens.
    Connect(3000, 60, "tcp://localhost:" + std::to_string(server.Port()));
    ASSERT_TRUE(server.Send("by name"));
    EXPECT_EQ(Read(), "by name");
}

TEST_F(TcpLineTest, OpeningThatWaitsForTheServerEndsWhenInterrupted)
{
    // A server whose queue of connections is full does not answer.
    const CBoundSocket full(SOCK_STREAM, "127.0.0.1");
    ASSERT_EQ(::listen(full.Fd(), 0), 0);
    const std::string url = "tcp://127.0.0.1:" + std::to_string(full.Port());
    CTcpLine first;
    ASSERT_EQ(ReasonOfOpening(first, url), "opened");

    auto opening = std::async(std::launch::async, [&] { return ReasonOfOpening(line, url); });
    EXPECT_EQ(opening.wait_for(300ms), std::future_status::timeout);
    const auto interrupted = Clock::now();
    line.InterruptRead();
    ASSERT_EQ(opening.wait_for(5s), std::future_status::ready);
    EXPECT_LT(Clock::now() - interrupted, 2s);
    EXPECT_EQ(opening.get(), "opened");  // no failure: the line is just not open
    EXPECT_FALSE(line.IsOpen());
}

} // namespace
