// The simulator played into the monitor over the network, both as child
// processes with a settings folder of their own: every format over UDP and
// over TCP, and a simulated serial device server that is killed and started
// again on its port during a capture.
#include <gtest/gtest.h>

#include <signal.h>

#include <memory>
#include <string>
#include <vector>

#include "decoders/FormatTable.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/ReportText.h"
#include "tests/tools/CliProcess.h"
#include "tests/tools/MonitorTestSupport.h"

namespace {

using namespace std::chrono_literals;

constexpr int kTelegrams = 3;

// vantrel-cli simulate --tcp-listen on a port of its choosing or the one
// given; the port it listens on.
std::unique_ptr<CChildProcess> StartTcpSimulator(int type, std::uint16_t port, std::uint16_t& listening)
{
    auto simulate = std::make_unique<CChildProcess>(std::vector<std::string>{
        "simulate", "--tcp-listen", std::to_string(port), "--type", std::to_string(type), "--rate", "5"});
    if (!simulate->WaitForOutput("'\n", 10s))
        return nullptr;
    const std::string& out = simulate->SoFar().out;
    const std::size_t colon = out.rfind(':', out.find('\n'));
    listening = static_cast<std::uint16_t>(std::stoi(out.substr(colon + 1)));
    return simulate;
}

class MonitorSimulateNetworkTest : public CMonitorTest {
protected:
    // The monitor on a port mapped to url, until it has shown kTelegrams
    // reports; a busy machine's pauses do not reach its receive timeout.
    CCliResult MonitorUntilCount(const std::string& url, int type)
    {
        MapPorts("COM270=" + url);
        CChildProcess monitor({"monitor", "--port", "COM270", "--type", std::to_string(type), "--timeout", "30",
                               "--count", std::to_string(kTelegrams)});
        return monitor.Wait(30s);
    }

    void ExpectValidReports(const CCliResult& result) const
    {
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(WithoutFramingAdvice(result.err), "");
        EXPECT_EQ(Occurrences(result.out, "Telegram number : "), static_cast<std::size_t>(kTelegrams)) << result.out;
        EXPECT_FALSE(ShowsAStatusError(result.out)) << result.out;
    }
};

TEST_F(MonitorSimulateNetworkTest, EveryFormatOverUdp)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        const std::string address = "127.0.0.1:" + std::to_string(FreeUdpPort());
        // Datagrams sent before the monitor listens are lost, as on a ship's network.
        CChildProcess simulate({"simulate", "--udp", address, "--type", std::to_string(format.code), "--rate", "20"});
        ExpectValidReports(MonitorUntilCount("udp://" + address, format.code));
        simulate.Signal(SIGTERM);
        EXPECT_EQ(simulate.Wait(10s).status, 0);
    }
}

TEST_F(MonitorSimulateNetworkTest, OverIpv6Loopback)
{
    std::uint16_t port = 0;
    try {
        port = FreeUdpPort("::1");
    } catch (const std::runtime_error& error) {
        GTEST_SKIP() << "no IPv6 loopback here: " << error.what();
    }
    const std::string address = "[::1]:" + std::to_string(port);
    CChildProcess simulate({"simulate", "--udp", address, "--type", "4", "--rate", "20"});
    ExpectValidReports(MonitorUntilCount("udp://" + address, kTypeNmea));
    simulate.Signal(SIGTERM);
}

// A stream is framed by 60 ms of silence, so the telegrams come well apart.
TEST_F(MonitorSimulateNetworkTest, EveryFormatOverTcp)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        std::uint16_t port = 0;
        const auto simulate = StartTcpSimulator(format.code, 0, port);
        ASSERT_TRUE(simulate);
        ExpectValidReports(MonitorUntilCount("tcp://127.0.0.1:" + std::to_string(port), format.code));
        simulate->Signal(SIGTERM);
        EXPECT_EQ(simulate->Wait(10s).status, 0);
    }
}

TEST_F(MonitorSimulateNetworkTest, TcpSimulatorKilledAndStartedAgainLeavesNoFalseRow)
{
    std::uint16_t port = 0;
    auto simulate = StartTcpSimulator(kTypeHpr418F, 0, port);
    ASSERT_TRUE(simulate);
    const std::string url = "tcp://127.0.0.1:" + std::to_string(port);
    MapPorts("COM271=" + url);
    const std::string csvPath = logs.File("restart.csv");
    CChildProcess monitor({"monitor", "--port", "COM271", "--type", "6", "--timeout", "60", "--csv", csvPath});
    ASSERT_TRUE(monitor.WaitForOutput("Telegram number : 2\n", 20s)) << monitor.SoFar().err;

    simulate->Signal(SIGKILL);
    simulate->Wait(10s);
    std::this_thread::sleep_for(2s);  // connecting again is refused meanwhile
    std::uint16_t again = 0;
    simulate = StartTcpSimulator(kTypeHpr418F, port, again);
    ASSERT_TRUE(simulate);
    ASSERT_EQ(again, port);
    ASSERT_TRUE(monitor.WaitForOutput("Telegram number : 4\n", 20s)) << monitor.SoFar().err;

    monitor.Signal(SIGTERM);
    const CCliResult result = monitor.Wait(10s);
    simulate->Signal(SIGTERM);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "vantrel-cli monitor: lost COM271 (" + url + "): the server closed the connection\n");
    const std::size_t shown = Occurrences(result.out, "Telegram number : ");
    EXPECT_GE(shown, 4u);
    EXPECT_FALSE(ShowsAStatusError(result.out)) << result.out;
    EXPECT_EQ(TelegramRows(ReadWholeFile(csvPath)), shown) << ReadWholeFile(csvPath);
}

} // namespace
