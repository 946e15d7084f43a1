// vantrel-cli monitor and simulate from outside, as child processes with a
// settings folder of their own: the simulator's pseudo-terminal read by the
// monitor through the port map, the demo line of every format, Ctrl-C with
// complete logs, and what the user is told when a port or a log fails.
#include <gtest/gtest.h>

#include <grp.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/support/Eventually.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/ReportText.h"
#include "tests/support/Unprivileged.h"
#include "tests/tools/CliProcess.h"
#include "tests/tools/MonitorTestSupport.h"

namespace {

using namespace std::chrono_literals;

using MonitorSimulateTest = CMonitorTest;

// How long a file may grow where the disk is full for a test's log.
constexpr rlim_t kLimit = 1 << 20;

TEST_F(MonitorSimulateTest, MonitorReadsTheSimulatorsPseudoTerminalWithTheStoredSettings)
{
    CChildProcess simulate({"simulate", "--pty", "--type", "6", "--rate", "5"}, {ConfigHome()});
    ASSERT_TRUE(simulate.WaitForOutput("'\n", 10s)) << simulate.SoFar().err;
    const std::string out = simulate.SoFar().out;
    const std::size_t entry = out.find("VANTREL_PORTS='");
    ASSERT_NE(entry, std::string::npos) << out;
    const std::string ports = out.substr(entry + 15, out.find('\'', entry + 15) - entry - 15);
    EXPECT_EQ(ports.rfind("COM1=/dev/", 0), 0u) << ports;  // the stored port, COM1 on a fresh start

    const std::string csvPath = logs.File("run.csv");
    CChildProcess monitor({"monitor", "--count", "3", "--csv", csvPath}, {ConfigHome(), "VANTREL_PORTS=" + ports});
    const CCliResult monitored = monitor.Wait(30s);
    EXPECT_EQ(monitored.status, 0) << monitored.err;
    EXPECT_EQ(Occurrences(monitored.out, "Telegram number : "), 3u) << monitored.out;
    EXPECT_NE(monitored.out.find("Telegram number : 3\n"), std::string::npos);
    EXPECT_EQ(monitored.out.substr(monitored.out.size() - 2), "\n\n");
    EXPECT_EQ(WithoutFramingAdvice(monitored.err), "");
    // Without options the stored settings apply, and the type is written back.
    EXPECT_NE(StoredSettings().find("Telegram=6"), std::string::npos) << StoredSettings();
    EXPECT_GE(TelegramRows(ReadWholeFile(csvPath)), 3u);
    EXPECT_FALSE(ReadWholeFile(logs.File("run.raw")).empty());

    simulate.Signal(SIGTERM);
    const CCliResult simulated = simulate.Wait(10s);
    EXPECT_EQ(simulated.status, 0);
    EXPECT_NE(simulated.err.find("vantrel-cli simulate: sent "), std::string::npos) << simulated.err;
}

// Five telegrams back to back each cycle: read by content every one is a
// telegram of its own; by silence a cycle is one read, which the statistics
// count and the monitor says once, with the option that helps.
TEST_F(MonitorSimulateTest, BurstsAreReadOneByOneByContentAndBySilenceTheAdviceIsGiven)
{
    CChildProcess simulate({"simulate", "--pty", "--type", "1", "--rate", "4", "--burst", "5"}, {ConfigHome()});
    ASSERT_TRUE(simulate.WaitForOutput("'\n", 10s)) << simulate.SoFar().err;
    const std::string out = simulate.SoFar().out;
    const std::size_t entry = out.find("VANTREL_PORTS='");
    ASSERT_NE(entry, std::string::npos) << out;
    const std::string ports = out.substr(entry + 15, out.find('\'', entry + 15) - entry - 15);

    const std::vector<std::string> options{"monitor", "--type", "1", "--brief", "--stats", "--framing"};
    std::vector<std::string> byContent = options;
    byContent.insert(byContent.end(), {"content", "--count", "15"});
    const CCliResult content = CChildProcess(byContent, {ConfigHome(), "VANTREL_PORTS=" + ports}).Wait(30s);
    EXPECT_EQ(content.status, 0) << content.err;
    EXPECT_EQ(Occurrences(content.out, "\tOK\t"), 15u) << content.out;
    EXPECT_EQ(content.err, "");

    std::vector<std::string> bySilence = options;
    bySilence.insert(bySilence.end(), {"silence", "--count", "4"});
    const CCliResult silence = CChildProcess(bySilence, {ConfigHome(), "VANTREL_PORTS=" + ports}).Wait(30s);
    EXPECT_EQ(silence.status, 0) << silence.err;
    EXPECT_EQ(Occurrences(silence.err, "--framing content"), 1u) << silence.err;
    EXPECT_NE(silence.out.find("reads holding several telegrams\t"), std::string::npos) << silence.out;
    // For the run only.
    EXPECT_EQ(StoredSettings().find("Framing"), std::string::npos) << StoredSettings();

    simulate.Signal(SIGTERM);
    EXPECT_EQ(simulate.Wait(10s).status, 0);
}

TEST_F(MonitorSimulateTest, SimulatorEndsByItselfAfterItsCount)
{
    CChildProcess simulate({"simulate", "--pty", "--type", "6", "--rate", "20", "--count", "4", "--errors", "0.5"},
                           {ConfigHome()});
    const CCliResult result = simulate.Wait(10s);
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("sent 4 telegrams, 2 of them spoiled"), std::string::npos) << result.err;
}

TEST_F(MonitorSimulateTest, DemoLineOfEveryFormatGivesValidReportsAndStoresNothing)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        CChildProcess monitor({"monitor", "--demo", "--type", std::to_string(format.code), "--count", "2"},
                              {ConfigHome()});
        const CCliResult result = monitor.Wait(30s);
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_NE(result.out.find("Telegram number : 1\n"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("Telegram number : 2\n"), std::string::npos) << result.out;
        EXPECT_FALSE(ShowsAStatusError(result.out)) << result.out;
        // Options are for the run only.
        EXPECT_EQ(StoredSettings().find("Telegram="), std::string::npos) << StoredSettings();
    }
}

TEST_F(MonitorSimulateTest, CtrlCStopsTheMonitorWithCompleteLogs)
{
    const std::string csvPath = logs.File("stopped.csv");
    CChildProcess monitor({"monitor", "--demo", "--type", "6", "--csv", csvPath}, {ConfigHome()});
    ASSERT_TRUE(monitor.WaitForOutput("Telegram number : 2\n", 20s)) << monitor.SoFar().err;
    monitor.Signal(SIGINT);
    const CCliResult result = monitor.Wait(10s);
    EXPECT_EQ(result.status, 0) << result.err;

    const std::string csv = ReadWholeFile(csvPath);
    ASSERT_FALSE(csv.empty());
    EXPECT_EQ(csv.back(), '\n');  // the last row is whole
    const std::size_t shown = Occurrences(result.out, "Telegram number : ");
    EXPECT_GE(TelegramRows(csv), shown);
}

TEST_F(MonitorSimulateTest, RestartedMonitorAppendsToItsLogAndSaysSo)
{
    const std::string csvPath = logs.File("service.csv");
    const std::string rawPath = logs.File("service.raw");
    const CCliResult first = RunCli({"monitor", "--demo", "--type", "6", "--count", "2", "--csv", csvPath});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.err, "");
    const std::string firstCsv = ReadWholeFile(csvPath);
    const std::string firstRaw = ReadWholeFile(rawPath);
    ASSERT_GE(TelegramRows(firstCsv), 2u);
    ASSERT_FALSE(firstRaw.empty());

    const CCliResult second = RunCli({"monitor", "--demo", "--type", "6", "--count", "2", "--csv", csvPath});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.err, "vantrel-cli monitor: appending to the existing log " + csvPath + "\n");
    const std::string csv = ReadWholeFile(csvPath);
    const std::string raw = ReadWholeFile(rawPath);
    ASSERT_EQ(csv.rfind(firstCsv, 0), 0u) << csv;
    ASSERT_EQ(raw.rfind(firstRaw, 0), 0u);
    EXPECT_GT(raw.size(), firstRaw.size());
    // The format's header rows again, then the new rows.
    const std::string header = firstCsv.substr(0, firstCsv.find("\nBase ->"));
    EXPECT_EQ(csv.compare(firstCsv.size(), header.size(), header), 0) << csv;
    EXPECT_GE(TelegramRows(csv), TelegramRows(firstCsv) + 2);

    // A raw log alone is appended to as well, and the CSV log begins afresh beside it.
    std::filesystem::remove(csvPath);
    const CCliResult third = RunCli({"monitor", "--demo", "--type", "6", "--count", "1", "--csv", csvPath});
    ASSERT_EQ(third.status, 0) << third.err;
    EXPECT_NE(third.err.find("appending"), std::string::npos) << third.err;
    EXPECT_EQ(ReadWholeFile(rawPath).rfind(raw, 0), 0u);
    EXPECT_EQ(ReadWholeFile(csvPath).rfind(header, 0), 0u);
}

TEST_F(MonitorSimulateTest, PortThatCannotBeOpenedIsReportedOnceWithItsReason)
{
    const std::string missing = logs.File("no-such-tty");
    CChildProcess monitor({"monitor", "--port", "COM250"}, {ConfigHome(), "VANTREL_PORTS=COM250=" + missing});
    std::this_thread::sleep_for(1500ms);  // about ten attempts to open
    monitor.Signal(SIGTERM);
    const CCliResult result = monitor.Wait(10s);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "vantrel-cli monitor: cannot open COM250 (" + missing + "): No such file or directory\n");
    EXPECT_EQ(result.out, "");
}

TEST_F(MonitorSimulateTest, PortNotOpenToTheUserIsToldWithItsGroupAndTheRemedy)
{
    const group* dialout = getgrnam("dialout");
    if (geteuid() != 0 || dialout == nullptr)
        GTEST_SKIP() << "needs root and the group dialout, to hand a device to a group nobody is not in";
    const CPseudoTerminal line;
    ASSERT_TRUE(CUnprivileged::HandOver(line.SlavePath(), dialout->gr_gid, 0660));
    std::unique_ptr<CChildProcess> monitor;
    {
        // The monitor runs as an ordinary user outside the group.
        const CUnprivileged user;
        ASSERT_TRUE(user.Active()) << user.Why();
        monitor = std::make_unique<CChildProcess>(std::vector<std::string>{"monitor", "--port", "COM252"},
                                                  std::vector<std::string>{"VANTREL_PORTS=COM252=" + line.SlavePath()});
    }
    std::this_thread::sleep_for(1500ms);  // several attempts to open
    monitor->Signal(SIGTERM);
    const CCliResult result = monitor->Wait(10s);
    if (result.status == 127)
        GTEST_SKIP() << "the user nobody cannot run " << VANTREL_CLI_PATH;
    const std::string group = dialout->gr_name;
    EXPECT_EQ(result.err, "vantrel-cli monitor: cannot open COM252: " + line.SlavePath() +
                              " is not open to you: it belongs to group " + group + "; run: sudo usermod -aG " +
                              group + " $USER, then log out and in\n");
}

TEST_F(MonitorSimulateTest, LineUnpluggedAndBackIsToldOnceAndLeavesNoFalseRow)
{
    auto generator = CTelegramGenerator::Create(kTypeHpr418F);
    auto first = std::make_unique<CPseudoTerminal>();
    const std::string lostDevice = first->SlavePath();
    MapPorts("COM251=" + lostDevice);
    const std::string csvPath = logs.File("unplugged.csv");
    CChildProcess monitor({"monitor", "--port", "COM251", "--type", "6", "--csv", csvPath}, {ConfigHome()});
    ASSERT_TRUE(Eventually([&] { return first->IsHeldOpen(); }));
    first->Write(generator->Next());
    ASSERT_TRUE(monitor.WaitForOutput("Telegram number : 1\n", 10s)) << monitor.SoFar().err;

    // The adapter is pulled: its device goes, and the line hangs up.
    MapPorts("COM251=" + logs.File("unplugged-tty"));
    first.reset();
    std::this_thread::sleep_for(1s);  // several attempts to open it again
    const CPseudoTerminal second;
    MapPorts("COM251=" + second.SlavePath());
    ASSERT_TRUE(Eventually([&] { return second.IsHeldOpen(); }));
    second.Write(generator->Next());
    ASSERT_TRUE(monitor.WaitForOutput("Telegram number : 2\n", 10s)) << monitor.SoFar().err;

    monitor.Signal(SIGTERM);
    const CCliResult result = monitor.Wait(10s);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "vantrel-cli monitor: lost COM251 (" + lostDevice + "): Input/output error\n");
    EXPECT_EQ(Occurrences(result.out, "Telegram number : "), 2u) << result.out;
    EXPECT_FALSE(ShowsAStatusError(result.out)) << result.out;
    EXPECT_EQ(TelegramRows(ReadWholeFile(csvPath)), 2u) << ReadWholeFile(csvPath);
}

// A log is a regular file: a path that is there and is none (a device, a
// FIFO nobody reads) is bad usage, refused before anything is opened.
TEST_F(MonitorSimulateTest, LogThatCannotBeCreatedEndsTheMonitorWithTheReason)
{
    ASSERT_EQ(mkfifo(logs.File("fifo.csv").c_str(), 0600), 0);
    const struct {
        std::string csvPath;
        int status;
        std::string reason;
    } cases[] = {
        {logs.File("missing-folder/log.csv"), 1,
         "cannot create log " + logs.File("missing-folder/log.csv") + ": No such file or directory"},
        {"/dev/null", 2, "cannot use log /dev/null: not a regular file but a character device"},
        {logs.File("fifo.csv"), 2, "cannot use log " + logs.File("fifo.csv") + ": not a regular file but a FIFO"},
    };
    for (const auto& c : cases) {
        CChildProcess monitor({"monitor", "--demo", "--type", "6", "--csv", c.csvPath}, {ConfigHome()});
        const CCliResult result = monitor.Wait(10s);
        EXPECT_EQ(result.status, c.status) << c.csvPath;
        EXPECT_EQ(result.err, "vantrel-cli monitor: " + c.reason + "\n");
    }
    EXPECT_FALSE(std::filesystem::exists("/dev/null.raw"));
    EXPECT_FALSE(std::filesystem::exists(logs.File("fifo.raw")));
}

TEST_F(MonitorSimulateTest, LogFailureAsTheMonitorStopsGivesStatus1WithTheReason)
{
    CPseudoTerminal line;
    // The disk is full for the raw log.
    CFileSizeLimit::MakeFull(logs.File("last.raw"), kLimit);
    CChildProcess monitor = [&] {
        const CFileSizeLimit full(kLimit);
        return CChildProcess({"monitor", "--port", "COM251", "--type", "6", "--csv", logs.File("last.csv")},
                             {ConfigHome(), "VANTREL_PORTS=COM251=" + line.SlavePath()});
    }();
    ASSERT_TRUE(WaitUntilHeldOpen(line.SlavePath())) << monitor.SoFar().err;
    {
        // A telegram arrives byte by byte as the monitor is told to stop:
        // the read that has begun runs to its end, and logging it fails.
        CTrickle telegram(line.MasterFd(), 40, 10ms);
        std::this_thread::sleep_for(150ms);
        monitor.Signal(SIGTERM);
    }
    const CCliResult result = monitor.Wait(10s);
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("File too large"), std::string::npos) << result.err;
}

// A monitor is run to keep its log: once it cannot, the run ends at once,
// long before its count, with the reason last.
TEST_F(MonitorSimulateTest, LogThatFailsEndsTheRunAtOnce)
{
    CFileSizeLimit::MakeFull(logs.File("full.raw"), kLimit);
    CChildProcess monitor = [&] {
        const CFileSizeLimit full(kLimit);
        return CChildProcess(
            {"monitor", "--demo", "--type", "6", "--brief", "--count", "1000", "--csv", logs.File("full.csv")});
    }();
    const CCliResult result = monitor.Wait(30s);
    EXPECT_EQ(result.status, 1) << result.err;
    const std::string reason = "vantrel-cli monitor: writing the log failed: File too large; logging stopped\n";
    ASSERT_GE(result.err.size(), reason.size());
    EXPECT_EQ(result.err.substr(result.err.size() - reason.size()), reason);
    EXPECT_EQ(result.out.find("\tOK\t"), std::string::npos) << result.out;
}

TEST_F(MonitorSimulateTest, BadUsageIsRefused)
{
    const std::string configForm = " (Config(BAUD,8,N,1) or Config(BAUD,7,O,2) with BAUD 2400, 4800, 9600, 19200, "
                                   "38400, 57600 or 115200)\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"simulate", "--type", "6"}, "give one of"},
        {{"simulate", "--pty", "--device", "/dev/null"}, "give one of"},
        {{"simulate", "--pty", "--errors", "1.5"}, "bad error fraction"},
        {{"simulate", "--pty", "--type", "5"}, "no telegrams of type 5"},
        {{"monitor", "--timeout", "0"}, "bad timeout"},
        {{"monitor", "--count", "many"}, "bad count"},
        {{"monitor", "--port"}, "missing value"},
        {{"monitor", "--framing", "bytes"}, "bad framing"},
        {{"simulate", "--pty", "--burst", "0"}, "bad burst"},
        {{"monitor", "--config", "garbage"}, "monitor: bad configuration garbage" + configForm},
        {{"monitor", "--config", "Config(1e9,8,N,1)"}, "bad configuration Config(1e9,8,N,1)" + configForm},
        {{"monitor", "--demo", "--config", "Config(-1,8,N,1)"}, "bad configuration Config(-1,8,N,1)" + configForm},
        {{"simulate", "--pty", "--config", "Config(9600,8,E,1)"}, "simulate: bad configuration Config(9600,8,E,1)"},
    };
    for (const auto& [args, told] : cases) {
        const CCliResult result = RunCli(args);
        EXPECT_EQ(result.status, 2) << args[0] << " " << args[1] << "\n" << result.err;
        EXPECT_NE(result.err.find(told), std::string::npos) << result.err;
    }
}

// A stored value that cannot be used is told once: a type code that is
// none gives the default type, texts are read as the line always read them.
TEST_F(MonitorSimulateTest, StoredValuesThatCannotBeUsedAreToldOnce)
{
    const std::filesystem::path folder = home.path / "Quorvane International Ltd";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Vantrel.conf") << "[General]\nTelegram=99999999999\nConfig=garbage\nPort=PORT3\n";
    const std::string telegram = "the stored Telegram \"99999999999\" is not a telegram type code; it is read as type 6\n";
    const std::string config = "the stored Config \"garbage\" is not Config(BAUD,8,N,1) or Config(BAUD,7,O,2)";
    const std::string port = "the stored Port \"PORT3\" is not COMn with n from 1; it is read as COM0, which names no port\n";

    const CCliResult monitored = RunCli({"monitor", "--demo", "--count", "2", "--brief"});
    EXPECT_EQ(monitored.status, 0) << monitored.err;
    EXPECT_EQ(Occurrences(monitored.out, "\tOK\tHPR 418 "), 2u) << monitored.out;  // type 6
    EXPECT_EQ(Occurrences(monitored.err, "vantrel-cli monitor: " + telegram), 1u) << monitored.err;
    EXPECT_EQ(Occurrences(monitored.err, "vantrel-cli monitor: " + config), 1u) << monitored.err;
    EXPECT_EQ(Occurrences(monitored.err, "Port"), 0u) << monitored.err;  // the demo line's, not the stored one

    const CCliResult simulated = RunCli({"simulate", "--pty", "--count", "1", "--rate", "20"});
    EXPECT_EQ(simulated.status, 0) << simulated.err;
    EXPECT_NE(simulated.out.find("VANTREL_PORTS='COM0="), std::string::npos) << simulated.out;
    EXPECT_EQ(Occurrences(simulated.err, "vantrel-cli simulate: " + telegram), 1u) << simulated.err;
    EXPECT_EQ(Occurrences(simulated.err, "vantrel-cli simulate: " + port), 1u) << simulated.err;
}

// A pseudo-terminal keeps 8 bits without parity whatever it is asked: with
// 7-O-2 stored, simulator and monitor take it so every time and say once
// what it kept.
TEST_F(MonitorSimulateTest, PseudoTerminalThatKeepsItsOwnFrameIsUsedEveryTime)
{
    const std::filesystem::path folder = home.path / "Quorvane International Ltd";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Vantrel.conf") << "[General]\nConfig=\"Config(9600,7,O,2)\"\n";
    CPseudoTerminal line;
    const std::string kept = line.SlavePath() + " is a pseudo-terminal and keeps 8-N-2 whatever it is asked; "
                                                "it is used so instead of 7-O-2\n";
    for (int run = 0; run < 2; ++run) {
        const CCliResult simulated = RunCli({"simulate", "--device", line.SlavePath(), "--count", "1", "--rate", "20"});
        EXPECT_EQ(simulated.status, 0) << run << simulated.err;
        EXPECT_EQ(Occurrences(simulated.err, "vantrel-cli simulate: " + kept), 1u) << run << simulated.err;
    }
    const std::string telegram = CTelegramGenerator::Create(6)->Next();
    for (int run = 0; run < 2; ++run) {
        CChildProcess monitor({"monitor", "--count", "1", "--brief"}, {"VANTREL_PORTS=COM1=" + line.SlavePath()});
        ASSERT_TRUE(WaitUntilHeldOpen(line.SlavePath()));
        std::this_thread::sleep_for(300ms);  // the reader is waiting for bytes
        line.Write(telegram);
        const CCliResult monitored = monitor.Wait(30s);
        EXPECT_EQ(monitored.status, 0) << run << monitored.err;
        EXPECT_EQ(Occurrences(monitored.out, "\tOK\t"), 1u) << run << monitored.out;
        EXPECT_EQ(Occurrences(monitored.err, "vantrel-cli monitor: " + kept), 1u) << run << monitored.err;
    }
}

// Every read would only show as timed out: the monitor says why it will not
// listen, as decode does, whether the type is given or stored.
TEST_F(MonitorSimulateTest, TypeWithoutADecoderIsRefused)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"monitor", "--type", "5"}, "telegram type 5 has no decoder"},
        {{"monitor", "--type", "99", "--brief"}, "telegram type 99 has no decoder"},
        {{"monitor", "--demo", "--type", "5"}, "telegram type 5 has no decoder"},
        {{"monitor", "--demo"}, "the stored telegram type 5 has no decoder; choose one with --type"},
    };
    const std::filesystem::path folder = home.path / "Quorvane International Ltd";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "Vantrel.conf") << "[General]\nTelegram=5\n";
    for (const auto& [args, reason] : cases) {
        const CCliResult result = RunCli(args);
        EXPECT_EQ(result.status, 2) << args[1];
        EXPECT_EQ(result.err, "vantrel-cli monitor: " + reason + "\n");
        EXPECT_EQ(result.out, "");
    }
}

} // namespace
