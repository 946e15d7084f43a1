// vantrel-cli monitor and its stop signals: a second Ctrl-C ends it
// whatever it waits for.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <string>
#include <thread>

#include "decoders/FormatTable.h"
#include "tests/tools/CliProcess.h"
#include "tests/tools/MonitorTestSupport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using MonitorTerminalTest = CMonitorTest;

// When the logs cannot be written (a named pipe nobody empties), the first
// Ctrl-C waits for them; the second ends the monitor at once.
TEST_F(MonitorTerminalTest, SecondCtrlCEndsTheMonitorAtOnce)
{
    const std::string csvPath = logs.File("stuck.csv");
    ASSERT_EQ(mkfifo(csvPath.c_str(), 0600), 0);
    const int keptOpen = open(csvPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);  // never read
    ASSERT_GE(keptOpen, 0);
    CChildProcess monitor({"monitor", "--demo", "--type", std::to_string(kTypeHpr418F), "--csv", csvPath},
                          {ConfigHome()});
    ASSERT_TRUE(monitor.WaitForOutput("Telegram number : 1\n", 20s)) << monitor.SoFar().err;
    const int filler = open(csvPath.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(filler, 0);
    const std::string block(4096, 'x');
    while (write(filler, block.data(), block.size()) > 0 || write(filler, block.data(), 1) > 0) {
    }
    std::this_thread::sleep_for(3s);  // the next row waits for room in the pipe

    monitor.Signal(SIGINT);
    std::this_thread::sleep_for(1s);
    EXPECT_FALSE(monitor.HasEnded()) << "the first Ctrl-C did not wait for the logs";
    const auto signalled = Clock::now();
    monitor.Signal(SIGINT);
    const CCliResult result = monitor.Wait(10s);
    const auto toExit = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - signalled);
    std::cout << "[ figures  ] second Ctrl-C to exit: " << toExit.count() << " ms\n";
    EXPECT_EQ(result.status, 128 + SIGINT);
    EXPECT_LT(toExit, 3s);
    close(filler);
    close(keptOpen);
}

} // namespace
