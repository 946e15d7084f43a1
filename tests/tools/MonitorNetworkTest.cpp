// vantrel-cli monitor on network lines, as a child process with a settings
// folder of its own: a UDP feed of packed NMEA sentences, a flood of
// datagrams the system drops, a UDP port that another program holds, and a
// TCP server that is restarted during a capture.
#include <gtest/gtest.h>

#include <signal.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/support/Eventually.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/ReportText.h"
#include "tests/tools/CliProcess.h"
#include "tests/tools/MonitorTestSupport.h"

namespace {

using namespace std::chrono_literals;

std::size_t ReportsIn(const std::string& out)
{
    return Occurrences(out, "Telegram number : ");
}

std::string UdpUrl(std::uint16_t port)
{
    return "udp://127.0.0.1:" + std::to_string(port);
}

using MonitorNetworkTest = CMonitorTest;

TEST_F(MonitorNetworkTest, UdpFeedOfPackedSentencesGivesATelegramPerSentence)
{
    const std::uint16_t port = FreeUdpPort();
    auto nmea = CTelegramGenerator::Create(kTypeNmea);
    CUdpFeed feed([&nmea] { return nmea->Next() + nmea->Next() + nmea->Next(); }, "127.0.0.1", port, 200ms);
    const std::string csvPath = logs.File("udp.csv");
    MapPorts("COM260=" + UdpUrl(port));
    CChildProcess monitor({"monitor", "--port", "COM260", "--type", "4", "--count", "6", "--csv", csvPath});
    const CCliResult result = monitor.Wait(30s);
    feed.Stop();
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(ReportsIn(result.out), 6u) << result.out;
    EXPECT_NE(result.out.find("$PSIM"), std::string::npos) << result.out;
    EXPECT_FALSE(ShowsAStatusError(result.out)) << result.out;
    EXPECT_GE(TelegramRows(ReadWholeFile(csvPath)), 6u);
}

// More datagrams than the line's queue holds: what the system drops is told
// once on standard error, and the statistics count every one.
TEST_F(MonitorNetworkTest, DatagramsTheSystemDropsAreToldOnceAndCounted)
{
    const std::uint16_t port = FreeUdpPort();
    auto hpr = CTelegramGenerator::Create(kTypeHpr418F);
    CUdpFeed feed([&hpr] { return hpr->Next(); }, "127.0.0.1", port, 100ms);
    MapPorts("COM264=" + UdpUrl(port));
    CChildProcess monitor({"monitor", "--port", "COM264", "--type", "6", "--brief", "--stats"});
    ASSERT_TRUE(monitor.WaitForOutput("\tOK\t", 10s)) << monitor.SoFar().err;
    Flood(CUdpSender(), "127.0.0.1", port);
    // The count comes with the feed's next datagram once the queue has room.
    const std::string told = "vantrel-cli monitor: the system dropped ";
    ASSERT_TRUE(monitor.WaitForError(told, 60s)) << monitor.SoFar().err;
    std::this_thread::sleep_for(300ms);
    monitor.Signal(SIGTERM);
    const CCliResult result = monitor.Wait(10s);
    feed.Stop();
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Occurrences(result.err, told), 1u) << result.err;
    const std::uint64_t toldCount = std::stoull(result.err.substr(result.err.find(told) + told.size()));
    EXPECT_GT(toldCount, 0u);
    const std::string counted = "\ndropped by the system\t";
    const std::size_t at = result.out.rfind(counted);
    ASSERT_NE(at, std::string::npos) << result.out.substr(result.out.size() - std::min<std::size_t>(2000, result.out.size()));
    // Told as soon as the first were seen: more may have been dropped after those.
    EXPECT_GE(std::stoull(result.out.substr(at + counted.size())), toldCount);
    EXPECT_EQ(result.out.back(), '\n');
}

TEST_F(MonitorNetworkTest, NetworkLineThatCannotBeOpenedIsToldOnceWithItsUrl)
{
    const CBoundSocket holder(SOCK_DGRAM, "127.0.0.1");
    const std::pair<std::string, std::string> cases[] = {
        {UdpUrl(holder.Port()), "Address already in use"},
        {"tcp://127.0.0.1", "no port (tcp://HOST:PORT)"},
    };
    MapPorts("COM261=" + cases[0].first + "\nCOM262=" + cases[1].first);
    std::vector<std::unique_ptr<CChildProcess>> monitors;
    for (const std::string port : {"COM261", "COM262"})
        monitors.push_back(std::make_unique<CChildProcess>(std::vector<std::string>{"monitor", "--port", port}));
    std::this_thread::sleep_for(2500ms);  // tried again about once a second
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        monitors[i]->Signal(SIGTERM);
        const CCliResult result = monitors[i]->Wait(10s);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "vantrel-cli monitor: cannot open COM26" + std::to_string(i + 1) + " (" + cases[i].first +
                                  "): " + cases[i].second + "\n");
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(MonitorNetworkTest, TcpServerRestartedDuringACaptureLeavesNoFalseRow)
{
    auto generator = CTelegramGenerator::Create(kTypeHpr418F);
    CTcpServer server;
    const std::string csvPath = logs.File("tcp.csv");
    MapPorts("COM263=" + server.Url());
    CChildProcess monitor({"monitor", "--port", "COM263", "--type", "6", "--timeout", "60", "--csv", csvPath});
    ASSERT_TRUE(Eventually([&] { return server.Connected() == 1; }));
    ASSERT_TRUE(server.Send(generator->Next()));
    ASSERT_TRUE(monitor.WaitForOutput("Telegram number : 1\n", 10s)) << monitor.SoFar().err;

    const std::uint16_t port = server.Port();
    server.Stop();
    std::this_thread::sleep_for(2s);  // connecting again is refused meanwhile
    server.Start(port);
    ASSERT_TRUE(Eventually([&] { return server.Connected() == 1; }, 15s));
    ASSERT_TRUE(server.Send(generator->Next()));
    ASSERT_TRUE(monitor.WaitForOutput("Telegram number : 2\n", 10s)) << monitor.SoFar().err;

    monitor.Signal(SIGTERM);
    const CCliResult result = monitor.Wait(10s);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err,
              "vantrel-cli monitor: lost COM263 (" + server.Url() + "): the server closed the connection\n");
    EXPECT_EQ(ReportsIn(result.out), 2u) << result.out;
    EXPECT_FALSE(ShowsAStatusError(result.out)) << result.out;
    EXPECT_EQ(TelegramRows(ReadWholeFile(csvPath)), 2u) << ReadWholeFile(csvPath);
}

} // namespace
