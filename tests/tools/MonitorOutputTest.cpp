// vantrel-cli monitor's one-line and statistics output on the demo line: a
// line per telegram in order, statistics that count every telegram of a run
// and end it, also at Ctrl-C, and options that do not go together refused.
// Its JSON lines: MonitorTerminalTest.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "decoders/FormatTable.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/tools/CliProcess.h"
#include "tests/tools/MonitorTestSupport.h"

namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

const std::string kStatisticsHeader =
    "kind\tindex\ttelegrams\tok\tbad data\tearly eot\ttimed out\tchecksum errors\tchecksum mismatches\t"
    "length mismatches\tmean interval s\tmax interval s\tlast age s";

// time, number, status, type, index, and the position's frame and x, y, z when there is one.
const std::regex kBriefLine(R"((\d\d:\d\d:\d\d\.\d{3})\t(\d+)\t(OK|BAD DATA|EARLT EOT|TIMED OUT|CHECKSUM ERROR)\t)"
                            R"(([^\t]+)\t([^\t]+)(\t(vessel|north|grid|unspecified)(\t-?\d+\.\d\d){3})?)");

// The cells of one tab-separated line.
std::vector<std::string> Cells(const std::string& line)
{
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        cells.push_back(line.substr(start, tab - start));
    cells.push_back(line.substr(start));
    return cells;
}

// The statistics table at the end of an output: its lines from the header on.
std::vector<std::string> StatisticsTable(const std::string& out)
{
    const std::vector<std::string> lines = SplitLines(out);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == kStatisticsHeader)
            return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(i), lines.end());
    }
    return {};
}

// Checks the table adds up to its total line, and each line's status
// columns to its telegrams, and returns the total line's telegram count.
std::uint64_t CheckedTotal(const std::vector<std::string>& table)
{
    std::uint64_t sum = 0;
    std::uint64_t total = 0;
    std::size_t totals = 0;
    for (std::size_t i = 1; i < table.size(); ++i) {
        const std::vector<std::string> cells = Cells(table[i]);
        EXPECT_EQ(cells.size(), 13u) << table[i];
        if (cells.size() != 13)
            continue;
        std::uint64_t statuses = 0;
        for (std::size_t column = 3; column <= 7; ++column)
            statuses += std::stoull(cells[column]);
        EXPECT_EQ(statuses, std::stoull(cells[2])) << table[i];
        if (cells[0] == "total") {
            total = std::stoull(cells[2]);
            ++totals;
            EXPECT_EQ(i, table.size() - 1) << "the total is not the last line";
        } else {
            sum += std::stoull(cells[2]);
        }
    }
    EXPECT_EQ(totals, 1u);
    EXPECT_EQ(sum, total) << "the rows do not add up to the total";
    return total;
}

using MonitorOutputTest = CMonitorTest;

TEST_F(MonitorOutputTest, BriefPrintsOneLinePerTelegramOfEveryFormat)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        const CCliResult result =
            RunCli({"monitor", "--demo", "--type", std::to_string(format.code), "--brief", "--count", "3"});
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const std::vector<std::string> lines = SplitLines(result.out);
        ASSERT_EQ(lines.size(), 3u) << result.out;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            std::smatch cells;
            ASSERT_TRUE(std::regex_match(lines[i], cells, kBriefLine)) << lines[i];
            EXPECT_EQ(cells[2], std::to_string(i + 1));
            EXPECT_EQ(cells[3], "OK");
            // Every sentence the NMEA demo line sends carries a position.
            if (format.code == kTypeNmea) {
                EXPECT_TRUE(cells[6].matched) << lines[i];
            }
        }
    }
}

// Telegrams total the count asked for, after the reports or lines, which
// keep their form.
TEST_F(MonitorOutputTest, StatisticsEndTheRunWithEveryTelegramCounted)
{
    CCliResult result = RunCli({"monitor", "--demo", "--type", "6", "--brief", "--stats", "--count", "7"});
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> lines = SplitLines(result.out);
    ASSERT_GE(lines.size(), 9u) << result.out;
    for (std::size_t i = 0; i < 7; ++i)
        EXPECT_TRUE(std::regex_match(lines[i], kBriefLine)) << lines[i];
    EXPECT_EQ(lines[7], kStatisticsHeader);
    std::vector<std::string> table = StatisticsTable(result.out);
    EXPECT_EQ(CheckedTotal(table), 7u);
    EXPECT_THAT(table.back(), ::testing::StartsWith("total\t\t7\t7\t0\t0\t0\t"));

    result = RunCli({"monitor", "--demo", "--type", "6", "--stats", "--count", "4"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Occurrences(result.out, "Telegram number : "), 4u);
    EXPECT_LT(result.out.find("Telegram number : 4\n"), result.out.find(kStatisticsHeader));
    EXPECT_EQ(CheckedTotal(StatisticsTable(result.out)), 4u);
}

// Ctrl-C, a closed terminal or ssh session (SIGHUP), and one Ctrl-C that
// arrives twice at once (from the terminal and from a `timeout` that
// passes it on) all end the run cleanly, with the statistics.
TEST_F(MonitorOutputTest, CtrlCEndsTheRunWithTheStatisticsOfWhatWasReceived)
{
    for (const std::vector<int>& signals : std::vector<std::vector<int>>{{SIGINT}, {SIGHUP}, {SIGINT, SIGINT}}) {
        CChildProcess monitor({"monitor", "--demo", "--type", "6", "--brief", "--stats"}, {ConfigHome()});
        ASSERT_TRUE(monitor.WaitForOutput("\t3\tOK\t", 20s)) << monitor.SoFar().err;
        for (const int number : signals) {
            monitor.Signal(number);
            std::this_thread::sleep_for(20ms);
        }
        const CCliResult result = monitor.Wait(10s);
        EXPECT_EQ(result.status, 0) << signals[0] << result.err;
        std::size_t shown = 0;
        for (const std::string& line : SplitLines(result.out))
            shown += std::regex_match(line, kBriefLine) ? 1 : 0;
        EXPECT_GE(shown, 3u);
        EXPECT_EQ(CheckedTotal(StatisticsTable(result.out)), shown) << result.out;
    }
}

TEST_F(MonitorOutputTest, OptionsThatDoNotGoTogetherAreRefused)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"monitor", "--demo", "--brief", "--json"},
             {"monitor", "--demo", "--json", "--stats"},
         }) {
        const CCliResult result = RunCli(args);
        EXPECT_EQ(result.status, 2) << args[2] << " " << args[3];
        EXPECT_THAT(result.err, HasSubstr("--json"));
        EXPECT_EQ(result.out, "");
    }
    const CCliResult help = RunCli({"monitor", "--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--brief", "--json", "--stats"})
        EXPECT_THAT(help.out, HasSubstr(option));
}

} // namespace
