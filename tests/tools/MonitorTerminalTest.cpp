// vantrel-cli monitor against a terminal that stops reading (paused with
// Ctrl-S, or a pipe nobody reads): reception and logging go on, what the
// terminal could not take is told, SIGTERM still ends the monitor at once
// and a second Ctrl-C ends it whatever it waits for. An output whose
// reader goes away ends it cleanly; one that cannot be written is told.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <chrono>
#include <iostream>
#include <string>
#include <thread>

#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "simulation/PtyLine.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/tools/CliProcess.h"
#include "tests/tools/MonitorTestSupport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const std::string kLeftOutLine = "vantrel-cli monitor: ";
const std::string kLeftOutReason = " left out: the terminal does not keep up\n";

// Waits until a reader has opened the line (the master no longer sees a hang-up).
bool WaitForListener(const CPtyLine& line, std::chrono::milliseconds timeout)
{
    for (const auto end = Clock::now() + timeout; Clock::now() < end; std::this_thread::sleep_for(20ms)) {
        pollfd master{line.MasterFd(), 0, 0};
        if (poll(&master, 1, 0) == 0)
            return true;
    }
    return false;
}

bool WaitForRows(const std::string& csvPath, std::size_t rows, std::chrono::milliseconds timeout)
{
    for (const auto end = Clock::now() + timeout; Clock::now() < end; std::this_thread::sleep_for(10ms)) {
        if (TelegramRows(ReadWholeFile(csvPath)) >= rows)
            return true;
    }
    return false;
}

// The count n of "vantrel-cli monitor: n reports left out: ..." at pos, or -1.
long long LeftOutCountAt(const std::string& text, std::size_t pos)
{
    if (text.compare(pos, kLeftOutLine.size(), kLeftOutLine) != 0)
        return -1;
    std::size_t digits = 0;
    const long long count = std::stoll(text.substr(pos + kLeftOutLine.size(), 20), &digits);
    const std::size_t reason = text.find(" left out: ", pos);
    if (digits == 0 || reason == std::string::npos || text.compare(reason, kLeftOutReason.size(), kLeftOutReason) != 0)
        return -1;
    return count;
}

// Walks the monitor's standard output: every report's telegram number must
// follow the one before, a line telling n reports left out standing for
// n numbers. The number after the last report, or 0 when out of order.
std::uint64_t NextTelegramNumber(const std::string& out, std::size_t& notes)
{
    const std::string numberLine = "Telegram number : ";
    std::uint64_t next = 1;
    notes = 0;
    for (std::size_t at = 0; at < out.size();) {
        const long long leftOut = LeftOutCountAt(out, at);
        if (leftOut > 0) {
            next += static_cast<std::uint64_t>(leftOut);
            ++notes;
        } else if (out.compare(at, numberLine.size(), numberLine) == 0) {
            if (std::stoull(out.substr(at + numberLine.size(), 20)) != next) {
                ADD_FAILURE() << "telegram " << out.substr(at, 30) << " where " << next << " was due";
                return 0;
            }
            ++next;
        }
        const std::size_t lineEnd = out.find('\n', at);
        at = lineEnd == std::string::npos ? out.size() : lineEnd + 1;
    }
    return next;
}

class MonitorTerminalTest : public CMonitorTest {
protected:
    // The monitor reading the test's own pseudo-terminal as COM1, type HPR 418F.
    std::vector<std::string> ListenerEnvironment() const
    {
        return {ConfigHome(), "VANTREL_PORTS=COM1=" + line.SlavePath()};
    }

    // Runs the monitor on the line with options, telegrams back to back;
    // its output is not read until `rows` telegrams were logged, then read
    // again while telegrams keep coming, until it ends by its --count.
    void RunWithTerminalPaused(const std::vector<std::string>& options, const std::string& csvPath, std::size_t rows,
                               CCliResult& result)
    {
        std::vector<std::string> args{"monitor", "--port", "COM1", "--type", std::to_string(kTypeHpr418F),
                                      "--timeout", "120", "--csv", csvPath};
        args.insert(args.end(), options.begin(), options.end());
        CChildProcess monitor(args, ListenerEnvironment());
        ASSERT_TRUE(monitor.SetOutputPipeSize(4096));
        monitor.LeaveOutputUnread();
        ASSERT_TRUE(WaitForListener(line, 20s));
        fcntl(line.MasterFd(), F_SETFL, fcntl(line.MasterFd(), F_GETFL) | O_NONBLOCK);

        // The monitor reads them 256 bytes at a time.
        const auto generator = CTelegramGenerator::Create(kTypeHpr418F);
        std::string pending;
        auto send = [&](std::chrono::milliseconds pause) {
            if (pending.empty())
                pending = generator->Next();
            const ssize_t written = write(line.MasterFd(), pending.data(), pending.size());
            if (written > 0)
                pending.erase(0, static_cast<std::size_t>(written));
            std::this_thread::sleep_for(pause);
        };
        for (const auto end = Clock::now() + 30s; Clock::now() < end && TelegramRows(ReadWholeFile(csvPath)) < rows;)
            send(1ms);
        ASSERT_GE(TelegramRows(ReadWholeFile(csvPath)), rows);

        monitor.ResumeReadingOutput();
        for (const auto end = Clock::now() + 30s; Clock::now() < end && !monitor.HasEnded();) {
            send(0ms);
            monitor.WaitForOutput("no such text", 5ms);
        }
        result = monitor.Wait(10s);
    }

    CPtyLine line;
};

// The whole burst is logged although the terminal takes none of it, and
// SIGTERM ends the monitor at once; the reports the pipe took are whole
// and in order, and a line on standard error says how many were left out.
TEST_F(MonitorTerminalTest, TerminalThatDoesNotReadHoldsUpNeitherLoggingNorTheEnd)
{
    const std::string csvPath = logs.File("burst.csv");
    CChildProcess monitor({"monitor", "--port", "COM1", "--type", std::to_string(kTypeHpr418F), "--timeout", "120",
                           "--csv", csvPath},
                          ListenerEnvironment());
    monitor.LeaveOutputUnread();
    ASSERT_TRUE(WaitForListener(line, 20s));

    // 15 seconds at 8 telegrams a second, as the positioning system sends
    // them. Each waits for the row of the one before: on a busy machine a
    // reader that comes late would take two telegrams as one.
    const auto generator = CTelegramGenerator::Create(kTypeHpr418F);
    std::string sent;
    const auto start = Clock::now();
    for (std::size_t i = 0; i < 120; ++i) {
        std::this_thread::sleep_until(start + i * 125ms);
        const std::string telegram = generator->Next();
        ASSERT_EQ(write(line.MasterFd(), telegram.data(), telegram.size()), static_cast<ssize_t>(telegram.size()));
        sent += telegram;
        ASSERT_TRUE(WaitForRows(csvPath, i + 1, 5s)) << "telegram " << i + 1 << " was not logged";
    }
    ASSERT_FALSE(monitor.HasEnded());

    const auto signalled = Clock::now();
    monitor.Signal(SIGTERM);
    const CCliResult result = monitor.Wait(10s);
    const auto toExit = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - signalled);
    std::cout << "[ figures  ] SIGTERM to exit with the terminal not reading: " << toExit.count() << " ms\n";
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_LT(toExit, 3s);  // a second when the machine is not busy

    const std::string csv = ReadWholeFile(csvPath);
    EXPECT_EQ(TelegramRows(csv), 120u);
    EXPECT_EQ(Occurrences(csv, ",OK,"), 120u);
    EXPECT_EQ(ReadWholeFile(logs.File("burst.raw")), sent);

    const std::size_t told = result.err.find(kLeftOutLine);
    ASSERT_NE(told, std::string::npos) << result.err;
    const long long leftOut = LeftOutCountAt(result.err, told);
    ASSERT_GT(leftOut, 0) << result.err;
    // The reports the pipe holds come first and whole; one cut off by the end counts as left out.
    const std::uint64_t shown = 120 - static_cast<std::uint64_t>(leftOut);
    for (std::uint64_t number = 1; number <= shown; ++number)
        EXPECT_NE(result.out.find("Telegram number : " + std::to_string(number) + "\n"), std::string::npos) << number;
    EXPECT_EQ(result.out.find("Telegram number : " + std::to_string(shown + 2) + "\n"), std::string::npos);
}

// Reports the terminal could not take while it did not read are told in
// their place once it reads again, so that the telegram numbers add up,
// and --count counts them: the monitor ends by itself.
TEST_F(MonitorTerminalTest, ReportsLeftOutAreToldWhereTheyAreMissing)
{
    const std::string csvPath = logs.File("gap.csv");
    CCliResult result;
    ASSERT_NO_FATAL_FAILURE(RunWithTerminalPaused({"--count", "250"}, csvPath, 150, result));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(WithoutFramingAdvice(result.err), "");

    std::size_t notes = 0;
    EXPECT_EQ(NextTelegramNumber(result.out, notes), 251u) << result.out.substr(0, 2000);
    EXPECT_GE(notes, 1u);
    EXPECT_GE(TelegramRows(ReadWholeFile(csvPath)), 250u);
}

// While the monitor's last read runs on (bytes that keep coming, a slow
// disk under the logs), the first Ctrl-C waits for it; the second ends the
// monitor at once.
TEST_F(MonitorTerminalTest, SecondCtrlCEndsTheMonitorAtOnce)
{
    CPseudoTerminal line;
    CChildProcess monitor({"monitor", "--port", "COM252", "--type", std::to_string(kTypeHpr418F), "--timeout", "30",
                           "--csv", logs.File("stuck.csv")},
                          {ConfigHome(), "VANTREL_PORTS=COM252=" + line.SlavePath()});
    ASSERT_TRUE(WaitUntilHeldOpen(line.SlavePath())) << monitor.SoFar().err;
    // A byte every 40 ms for four seconds: one read that long.
    CTrickle bytes(line.MasterFd(), 100, 40ms);
    std::this_thread::sleep_for(500ms);

    monitor.Signal(SIGINT);
    std::this_thread::sleep_for(1s);
    EXPECT_FALSE(monitor.HasEnded()) << "the first Ctrl-C did not wait for the read";
    const auto signalled = Clock::now();
    monitor.Signal(SIGINT);
    const CCliResult result = monitor.Wait(10s);
    const auto toExit = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - signalled);
    std::cout << "[ figures  ] second Ctrl-C to exit: " << toExit.count() << " ms\n";
    EXPECT_EQ(result.status, 128 + SIGINT);
    EXPECT_LT(toExit, 3s);
}

// `monitor | head`: the reader goes away; the monitor stops as on Ctrl-C,
// with whole logs, instead of being killed halfway by SIGPIPE.
TEST_F(MonitorTerminalTest, ReaderThatGoesAwayEndsTheMonitorCleanly)
{
    const std::string csvPath = logs.File("piped.csv");
    CChildProcess monitor({"monitor", "--demo", "--type", std::to_string(kTypeHpr418F), "--csv", csvPath},
                          {ConfigHome()});
    monitor.CloseOutput();
    const CCliResult result = monitor.Wait(20s);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "vantrel-cli monitor: standard output was closed; stopped\n");
    const std::string csv = ReadWholeFile(csvPath);
    ASSERT_FALSE(csv.empty());
    EXPECT_EQ(csv.back(), '\n');
    EXPECT_GE(TelegramRows(csv), 1u);

    // `simulate --pty | head -0`: the simulator stops as well.
    CChildProcess simulate({"simulate", "--pty", "--rate", "5"}, {ConfigHome()});
    simulate.CloseOutput();
    const CCliResult simulated = simulate.Wait(20s);
    EXPECT_EQ(simulated.status, 0) << simulated.err;
    EXPECT_NE(simulated.err.find("vantrel-cli simulate: standard output was closed; stopped\n"), std::string::npos)
        << simulated.err;
}

// An output that cannot be written is told once; the capture goes on to
// its count and the exit status says that the reports were not written.
TEST_F(MonitorTerminalTest, OutputThatCannotBeWrittenIsToldAndFailsTheRun)
{
    const std::string csvPath = logs.File("full.csv");
    CChildProcess monitor({"monitor", "--demo", "--type", std::to_string(kTypeHpr418F), "--csv", csvPath, "--count",
                           "3"},
                          {ConfigHome()}, "", "/dev/full");
    const CCliResult result = monitor.Wait(20s);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err,
              "vantrel-cli monitor: writing the reports failed: No space left on device; they are no longer shown\n");
    EXPECT_GE(TelegramRows(ReadWholeFile(csvPath)), 3u);
}

// The statistics count every telegram handed over, those the terminal
// could not take among them; a line says where brief lines are missing.
TEST_F(MonitorTerminalTest, StatisticsCountTelegramsLeftOutOfTheTerminal)
{
    CCliResult result;
    ASSERT_NO_FATAL_FAILURE(RunWithTerminalPaused({"--brief", "--stats", "--count", "400"}, logs.File("stats.csv"), 300,
                                                  result));
    EXPECT_EQ(result.status, 0) << result.err;
    std::size_t briefLines = 0;
    std::size_t notes = 0;
    for (const std::string& outLine : SplitLines(result.out)) {
        briefLines += outLine.find("\tHPR 418") != std::string::npos ? 1 : 0;
        notes += LeftOutCountAt(outLine + "\n", 0) > 0 ? 1 : 0;
    }
    EXPECT_GE(notes, 1u) << result.out.substr(0, 2000);
    EXPECT_LT(briefLines, 400u);
    const std::size_t total = result.out.find("\ntotal\t\t");
    ASSERT_NE(total, std::string::npos) << result.out;
    EXPECT_EQ(result.out.substr(total + 8, 4), "400\t");
}

// Among JSON lines nothing else may stand: the lines telling of those left
// out go to standard error, and with the lines shown they make up the count.
TEST_F(MonitorTerminalTest, JsonLinesLeftOutAreToldOnStandardError)
{
    CCliResult result;
    ASSERT_NO_FATAL_FAILURE(RunWithTerminalPaused({"--json", "--count", "120"}, logs.File("json.csv"), 80, result));
    EXPECT_EQ(result.status, 0) << result.err;
    std::uint64_t shown = 0;
    int lastNumber = 0;
    for (const std::string& outLine : SplitLines(result.out)) {
        ASSERT_EQ(outLine.front(), '{') << outLine;
        const nlohmann::json telegram = nlohmann::json::parse(outLine);
        EXPECT_EQ(telegram.at("format"), "HPR 418F");
        EXPECT_EQ(telegram.at("raw").get<std::string>().size(), 2 * telegram.at("bytes").get<std::size_t>());
        const int number = telegram.at("number");
        EXPECT_GT(number, lastNumber);
        lastNumber = number;
        ++shown;
    }
    std::uint64_t leftOut = 0;
    for (const std::string& errLine : SplitLines(WithoutFramingAdvice(result.err))) {
        const long long count = LeftOutCountAt(errLine + "\n", 0);
        ASSERT_GT(count, 0) << errLine;
        leftOut += static_cast<std::uint64_t>(count);
    }
    EXPECT_GE(leftOut, 1u) << result.err;
    EXPECT_EQ(shown + leftOut, 120u) << result.err;
    EXPECT_EQ(lastNumber, 120);
}

} // namespace
