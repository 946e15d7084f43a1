// The simulator sending UDP datagrams, received by a test socket on the
// loopback interface: one telegram per datagram, every format, the asked
// share spoiled, IPv6, and nobody listening.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simulation/HostPort.h"
#include "simulation/UdpTelegramSender.h"
#include "tests/simulation/NetworkSinkSupport.h"
#include "tests/support/LoopbackSockets.h"

namespace {

using namespace std::chrono_literals;

std::unique_ptr<CTelegramSimulator> SimulatorSendingTo(const std::string& host, std::uint16_t port,
                                                       const CSimulationOptions& options)
{
    const CSocketAddress destination = CHostPort{host, port}.Resolve(SOCK_DGRAM);
    return std::make_unique<CTelegramSimulator>(std::make_unique<CUdpTelegramSender>(destination), options);
}

// The datagrams of a run of count telegrams: each within wait of the one
// before, then none more for a while.
std::vector<std::string> ReceiveRun(CUdpReceiver& receiver, std::size_t count, std::chrono::milliseconds wait = 5s)
{
    std::vector<std::string> datagrams;
    while (datagrams.size() < count) {
        std::optional<std::string> datagram = receiver.Receive(wait);
        if (!datagram)
            return datagrams;
        datagrams.push_back(*datagram);
    }
    if (std::optional<std::string> extra = receiver.Receive(200ms))
        datagrams.push_back(*extra);
    return datagrams;
}

TEST(UdpTelegramSenderTest, EveryFormatArrivesAsOneGoodTelegramPerDatagram)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        CUdpReceiver receiver;
        auto simulator = SimulatorSendingTo("127.0.0.1", receiver.Port(), Simulation(format.code, 100, 6));
        simulator->Start();
        const std::vector<std::string> datagrams = ReceiveRun(receiver, 6);
        ASSERT_EQ(datagrams.size(), 6u);
        for (const std::string& datagram : datagrams)
            EXPECT_TRUE(IsGoodTelegram(format.code, datagram)) << datagram;
        EXPECT_TRUE(simulator->WaitFinished(5s));
        EXPECT_EQ(simulator->SentCount(), 6u);
        EXPECT_EQ(simulator->GetWriteError(), "");
    }
}

TEST(UdpTelegramSenderTest, ErrorsSpoilTheAskedShareOfDatagrams)
{
    CUdpReceiver receiver;
    auto simulator = SimulatorSendingTo("127.0.0.1", receiver.Port(), Simulation(kTypeHpr418F, 100, 9, 1.0 / 3));
    simulator->Start();
    const std::vector<std::string> datagrams = ReceiveRun(receiver, 9);
    ASSERT_EQ(datagrams.size(), 9u);
    int bad = 0;
    for (const std::string& datagram : datagrams)
        bad += IsGoodTelegram(kTypeHpr418F, datagram) ? 0 : 1;
    EXPECT_EQ(bad, 3);
    EXPECT_EQ(simulator->SpoiledCount(), 3u);
}

TEST(UdpTelegramSenderTest, SendsOverIpv6Loopback)
{
    std::unique_ptr<CUdpReceiver> receiver;
    try {
        receiver = std::make_unique<CUdpReceiver>("::1");
    } catch (const std::runtime_error& error) {
        GTEST_SKIP() << "no IPv6 loopback here: " << error.what();
    }
    auto simulator = SimulatorSendingTo("::1", receiver->Port(), Simulation(kTypeHpr418F, 100, 3));
    simulator->Start();
    const std::vector<std::string> datagrams = ReceiveRun(*receiver, 3);
    ASSERT_EQ(datagrams.size(), 3u);
    EXPECT_TRUE(IsGoodTelegram(kTypeHpr418F, datagrams[0]));
}

// A positioning system keeps sending whether or not anyone listens; the
// loopback's "port unreachable" answers must not end the run.
TEST(UdpTelegramSenderTest, NobodyListeningDoesNotStopTheRun)
{
    std::uint16_t closedPort = 0;
    {
        CUdpReceiver gone;
        closedPort = gone.Port();
    }
    auto simulator = SimulatorSendingTo("127.0.0.1", closedPort, Simulation(kTypeHpr418F, 50, 5));
    simulator->Start();
    ASSERT_TRUE(simulator->WaitFinished(10s));
    EXPECT_EQ(simulator->SentCount(), 5u);
    EXPECT_EQ(simulator->GetWriteError(), "");
}

} // namespace
