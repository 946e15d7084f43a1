// The simulator serving a TCP port, read by test clients on the loopback
// interface: nothing before the first client, every telegram to every
// client, clients that hang up or never read, a restart on the same port.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "simulation/HostPort.h"
#include "simulation/TcpTelegramServer.h"
#include "tests/simulation/NetworkSinkSupport.h"
#include "tests/support/Eventually.h"
#include "tests/support/LoopbackSockets.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class TcpTelegramServerTest : public ::testing::Test {
protected:
    // A server on host with a port the system picks; the simulator not started.
    void Serve(const CSimulationOptions& options, const std::string& host = "127.0.0.1")
    {
        auto server = std::make_unique<CTcpTelegramServer>(CHostPort{host, 0}.Resolve(SOCK_STREAM));
        port = CHostPort::Of(server->LocalAddress()).port;
        simulator = std::make_unique<CTelegramSimulator>(std::move(server), options);
    }

    std::uint16_t port = 0;
    std::unique_ptr<CTelegramSimulator> simulator;
};

TEST_F(TcpTelegramServerTest, CountingStartsWithTheFirstClient)
{
    Serve(Simulation(kTypeHpr418F, 50, 4));
    simulator->Start();
    std::this_thread::sleep_for(300ms);  // fifteen telegrams' time
    EXPECT_EQ(simulator->SentCount(), 0u);
    EXPECT_FALSE(simulator->WaitFinished(0ms));

    CTcpClient client("127.0.0.1", port);
    const std::string expected = FirstTelegrams(kTypeHpr418F, 4);
    client.ReadUntil(expected.size(), 10s);
    EXPECT_EQ(client.Received(), expected);
    EXPECT_TRUE(simulator->WaitFinished(5s));
    EXPECT_EQ(simulator->SentCount(), 4u);
}

TEST_F(TcpTelegramServerTest, EveryClientGetsEveryTelegram)
{
    Serve(Simulation(kTypeHpr418F, 50, 8));
    CTcpClient first("127.0.0.1", port);
    CTcpClient second("127.0.0.1", port);
    simulator->Start();
    const std::string expected = FirstTelegrams(kTypeHpr418F, 8);
    first.ReadUntil(expected.size(), 10s);
    second.ReadUntil(expected.size(), 10s);
    EXPECT_EQ(first.Received(), expected);
    EXPECT_EQ(second.Received(), expected);
}

TEST_F(TcpTelegramServerTest, ClientThatHangsUpIsLeftAndTheOthersGoOn)
{
    Serve(Simulation(kTypeHpr418F, 50, 10));
    CTcpClient staying("127.0.0.1", port);
    CTcpClient leaving("127.0.0.1", port);
    simulator->Start();
    leaving.ReadUntil(1, 5s);
    leaving.Close();
    const std::string expected = FirstTelegrams(kTypeHpr418F, 10);
    staying.ReadUntil(expected.size(), 10s);
    EXPECT_EQ(staying.Received(), expected);
    EXPECT_TRUE(simulator->WaitFinished(5s));
    EXPECT_EQ(simulator->GetWriteError(), "");
}

// A client that never reads fills its buffers; it is dropped at a telegram
// boundary while the simulator and the reading client go on at full rate.
TEST_F(TcpTelegramServerTest, ClientThatNeverReadsStallsNobody)
{
    Serve(Simulation(kTypeNmea, 1000, 0));
    std::mutex guard;
    std::string readerBytes;
    std::atomic<bool> reading{true};
    CTcpClient stuck("127.0.0.1", port, 4096);
    CTcpClient reader("127.0.0.1", port);
    simulator->Start();
    std::thread readerThread([&] {
        while (reading) {
            reader.ReadUntil(reader.Received().size() + 1, 100ms);
            std::lock_guard<std::mutex> lock(guard);
            readerBytes = reader.Received();
        }
    });
    const auto readerSize = [&] {
        std::lock_guard<std::mutex> lock(guard);
        return readerBytes.size();
    };
    // Far more than the stuck client's buffers and its allowance at the server hold.
    const std::size_t plenty = 3 * CTcpTelegramServer::kClientBacklog;
    const bool readerGotPlenty = Eventually([&] { return readerSize() > plenty; }, 60s);
    EXPECT_TRUE(readerGotPlenty) << readerSize() << " bytes";

    // What the stuck client now reads ends early, at a telegram's end, and the run goes on.
    EXPECT_TRUE(stuck.ReadUntilEnd(10s));
    const std::size_t sentBefore = simulator->SentCount();
    EXPECT_TRUE(Eventually([&] { return simulator->SentCount() > sentBefore + 20; }, 10s));
    reading = false;
    readerThread.join();
    ASSERT_GT(stuck.Received().size(), 0u);
    EXPECT_LT(stuck.Received().size(), readerBytes.size());
    EXPECT_EQ(readerBytes.compare(0, stuck.Received().size(), stuck.Received()), 0);
    EXPECT_EQ(stuck.Received().back(), '\n');
}

TEST_F(TcpTelegramServerTest, StopsPromptlyWhileWaitingForAClient)
{
    Serve(Simulation(kTypeHpr418F, 10, 0));
    simulator->Start();
    std::this_thread::sleep_for(200ms);
    const auto before = Clock::now();
    simulator->Stop();
    EXPECT_LT(Clock::now() - before, 1s);
    EXPECT_EQ(simulator->SentCount(), 0u);
}

TEST_F(TcpTelegramServerTest, PortInUseIsToldWithTheReason)
{
    const CTcpTelegramServer first(CHostPort{"127.0.0.1", 0}.Resolve(SOCK_STREAM));
    const std::string address = CHostPort::Of(first.LocalAddress()).Text();
    try {
        CTcpTelegramServer second(first.LocalAddress());
        FAIL() << "listened twice on " << address;
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "cannot listen on " + address + ": Address already in use");
    }
}

// Serial device servers and simulators are restarted on their port while
// the old connection still lingers; the port must be had again at once.
TEST_F(TcpTelegramServerTest, RestartsOnItsPortWhileTheOldConnectionLingers)
{
    Serve(Simulation(kTypeHpr418F, 50, 0));
    CTcpClient client("127.0.0.1", port);
    simulator->Start();
    client.ReadUntil(1, 5s);
    simulator.reset();  // the server closes first
    EXPECT_TRUE(client.ReadUntilEnd(5s));

    const CSocketAddress samePort = CHostPort{"127.0.0.1", port}.Resolve(SOCK_STREAM);
    simulator = std::make_unique<CTelegramSimulator>(std::make_unique<CTcpTelegramServer>(samePort),
                                                     Simulation(kTypeHpr418F, 50, 2));
    simulator->Start();
    CTcpClient again("127.0.0.1", port);
    const std::string expected = FirstTelegrams(kTypeHpr418F, 2);
    again.ReadUntil(expected.size(), 10s);
    EXPECT_EQ(again.Received(), expected);
}

TEST_F(TcpTelegramServerTest, ServesOnIpv6Loopback)
{
    try {
        Serve(Simulation(kTypeHpr418F, 50, 3), "::1");
    } catch (const std::runtime_error& error) {
        GTEST_SKIP() << "no IPv6 loopback here: " << error.what();
    }
    simulator->Start();
    CTcpClient client("::1", port);
    const std::string expected = FirstTelegrams(kTypeHpr418F, 3);
    client.ReadUntil(expected.size(), 10s);
    EXPECT_EQ(client.Received(), expected);
}

} // namespace
