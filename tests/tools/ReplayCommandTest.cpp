// vantrel-cli replay and simulate --replay from outside: a capture of the
// monitor replays to itself line for line, in any time zone; the logs of a
// live run replay to its brief lines, counts and CSV rows; a recorded
// session sent onto a loopback line reaches the monitor as recorded.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/support/ReportText.h"
#include "tests/tools/CliProcess.h"
#include "tests/tools/MonitorTestSupport.h"

namespace {

using namespace std::chrono_literals;

using ReplayCommandTest = CMonitorTest;

// The first `cells` tab-separated cells of every line.
std::string Cells(const std::string& text, int cells)
{
    std::string out;
    for (const std::string& line : SplitLines(text)) {
        std::size_t end = 0;
        for (int i = 0; i < cells && end != std::string::npos; ++i)
            end = line.find('\t', end == 0 ? 0 : end + 1);
        out += line.substr(0, end) + "\n";
    }
    return out;
}

TEST_F(ReplayCommandTest, CaptureReplaysToItselfLineForLineInAnyZone)
{
    const std::string capture = logs.File("night.jsonl");
    const CCliResult live = RunCli({"monitor", "--demo", "--type", "4", "--json", "--count", "6"});
    ASSERT_EQ(live.status, 0) << live.err;
    ASSERT_EQ(SplitLines(live.out).size(), 6u);
    std::ofstream(capture) << live.out;
    const struct {
        std::vector<std::string> args;
        std::string zone;
    } cases[] = {
        {{"replay", capture, "--json"}, ""},
        {{"replay", capture, "--json", "--as-fast"}, "TZ=Asia/Kolkata"},
        {{"replay", capture, "--json", "--speed", "50"}, "TZ=America/St_Johns"},
    };
    for (const auto& c : cases) {
        CChildProcess child(c.args, c.zone.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.zone});
        const CCliResult replayed = child.Wait(60s);
        EXPECT_EQ(replayed.status, 0) << replayed.err;
        EXPECT_EQ(replayed.out, live.out) << c.zone;
        EXPECT_EQ(replayed.err, "");
    }
}

TEST_F(ReplayCommandTest, LogsOfALiveRunReplayToItsLinesCountsAndRows)
{
    for (const char* type : {"6", "3"}) {
        const std::string csv = logs.File(std::string("live") + type + ".csv");
        const std::string replayedCsv = logs.File(std::string("again") + type + ".csv");
        const CCliResult live =
            RunCli({"monitor", "--demo", "--type", type, "--count", "8", "--brief", "--stats", "--csv", csv});
        ASSERT_EQ(live.status, 0) << live.err;
        const CCliResult replayed = RunCli({"replay", logs.File(std::string("live") + type + ".raw"), "--type", type,
                                            "--as-fast", "--brief", "--stats", "--csv", replayedCsv});
        ASSERT_EQ(replayed.status, 0) << replayed.err;
        // Every brief line, and the statistics' counts (the intervals and
        // ages are the logs' milliseconds apart at most).
        EXPECT_EQ(Cells(replayed.out, 10), Cells(live.out, 10)) << type;
        EXPECT_EQ(ReadWholeFile(replayedCsv), ReadWholeFile(csv)) << type;
        EXPECT_EQ(ReadWholeFile(CLogFiles::RawPathFor(replayedCsv)), ReadWholeFile(logs.File(std::string("live") + type + ".raw")));
    }
}

TEST_F(ReplayCommandTest, RecordedSessionSentOntoALoopbackLineReachesTheMonitorAsRecorded)
{
    const std::string capture = logs.File("night.jsonl");
    const CCliResult live = RunCli({"monitor", "--demo", "--type", "6", "--json", "--count", "5"});
    ASSERT_EQ(live.status, 0) << live.err;
    std::ofstream(capture) << live.out;

    CChildProcess simulator({"simulate", "--replay", capture, "--tcp-listen", "0"});
    ASSERT_TRUE(simulator.WaitForOutput("VANTREL_PORTS='", 10s));
    ASSERT_TRUE(simulator.WaitForOutput("'\n", 10s));
    const std::string announced = simulator.SoFar().out;
    const std::size_t entry = announced.find("VANTREL_PORTS='") + 15;
    const std::string ports = announced.substr(entry, announced.find('\'', entry) - entry);
    CChildProcess monitor({"monitor", "--port", ports.substr(0, ports.find('=')), "--type", "6", "--json", "--count",
                           "5"},
                          {"VANTREL_PORTS=" + ports});
    const CCliResult received = monitor.Wait(60s);
    ASSERT_EQ(received.status, 0) << received.err;
    const std::vector<std::string> sent = SplitLines(live.out);
    const std::vector<std::string> got = SplitLines(received.out);
    ASSERT_EQ(got.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const auto a = nlohmann::json::parse(sent[i]);
        const auto b = nlohmann::json::parse(got[i]);
        EXPECT_EQ(b["raw"], a["raw"]) << i;
        EXPECT_EQ(b["status"], a["status"]) << i;
    }
    EXPECT_EQ(simulator.Wait(20s).status, 0);
}

TEST_F(ReplayCommandTest, WhatCannotBePlayedIsToldAndRefused)
{
    std::ofstream(logs.File("empty.jsonl")) << "";
    std::ofstream(logs.File("alone.raw")) << "xyz";
    // A capture of the morning: six reads a second apart from 08:00:00.
    const CCliResult live = RunCli({"monitor", "--demo", "--type", "4", "--json", "--count", "6"});
    ASSERT_EQ(live.status, 0) << live.err;
    const std::string morning = logs.File("morning.jsonl");
    {
        std::ofstream capture(morning);
        int second = 0;
        for (const std::string& line : SplitLines(live.out)) {
            nlohmann::json read = nlohmann::json::parse(line);
            read["time"] = "2026-12-10T08:00:0" + std::to_string(second++) + ".000+00:00";
            capture << read.dump() << "\n";
        }
    }
    const std::string holds = "; the recording holds 2026-12-10 08:00:00 to 2026-12-10 08:00:05\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string told;
    } cases[] = {
        {{"replay"}, 2, "no recording given"},
        {{"replay", "x", "--speed", "2", "--as-fast"}, 2, "exclude each other"},
        {{"replay", "x", "--from", "25:00:00"}, 2, "bad time 25:00:00"},
        {{"replay", logs.File("empty.jsonl"), "--type", "4"}, 1, "empty.jsonl: empty: nothing to play"},
        {{"replay", logs.File("alone.raw")}, 2, "no type given"},
        {{"replay", logs.File("alone.raw"), "--type", "4", "--csv", logs.File("alone.csv")}, 2,
         "would be written into the recording"},
        {{"replay", morning, "--from", "23:00:00"}, 1, "nothing was recorded from 2026-12-10 23:00:00 on" + holds},
        {{"replay", morning, "--from", "12:00:00", "--to", "11:00:00"}, 1,
         "nothing was recorded from 2026-12-10 12:00:00 to 2026-12-11 11:00:00" + holds},
        {{"replay", morning, "--to", "08:00:00"}, 1, "nothing was recorded before 2026-12-10 08:00:00" + holds},
    };
    for (const auto& c : cases) {
        const CCliResult result = RunCli(c.args);
        EXPECT_EQ(result.status, c.status) << c.told;
        EXPECT_NE(result.err.find(c.told), std::string::npos) << result.err;
    }
    const CCliResult played = RunCli({"replay", morning, "--from", "08:00:04", "--as-fast", "--brief"});
    EXPECT_EQ(played.status, 0) << played.err;
    EXPECT_EQ(SplitLines(played.out).size(), 2u) << played.out;
}

} // namespace
