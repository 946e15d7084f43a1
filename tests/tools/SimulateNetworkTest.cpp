// vantrel-cli simulate as a network source, run as a child process: UDP
// datagrams to a test socket, a TCP port served to test clients, what it
// prints for a listener, and addresses it cannot use.
#include <gtest/gtest.h>

#include <signal.h>

#include <string>
#include <thread>

#include "simulation/HostPort.h"
#include "simulation/TcpTelegramServer.h"
#include "tests/simulation/NetworkSinkSupport.h"
#include "tests/support/LoopbackSockets.h"
#include "tests/tools/CliProcess.h"

namespace {

using namespace std::chrono_literals;

// The port after "listening on HOST:" in what the simulator printed.
std::uint16_t ListeningPort(const std::string& out)
{
    const std::size_t line = out.find("listening on ");
    const std::size_t colon = out.rfind(':', out.find('\n', line));
    return static_cast<std::uint16_t>(std::stoi(out.substr(colon + 1)));
}

class SimulateNetworkTest : public ::testing::Test {
protected:
    SimulateNetworkTest() { setenv("XDG_CONFIG_HOME", home.path.c_str(), 1); }

    CTempDir home;
};

TEST_F(SimulateNetworkTest, UdpSendsEachTelegramAsADatagramAndTellsTheEntryThatReadsIt)
{
    CUdpReceiver receiver;
    const std::string address = "127.0.0.1:" + std::to_string(receiver.Port());
    const CCliResult result =
        RunCli({"simulate", "--udp", address, "--type", "6", "--rate", "50", "--count", "5", "--errors", "0.2"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out, "sending to " + address + "\nVANTREL_PORTS='COM1=udp://" + address + "'\n");
    EXPECT_NE(result.err.find("sent 5 telegrams, 1 of them spoiled"), std::string::npos) << result.err;

    int datagrams = 0;
    int good = 0;
    while (const auto datagram = receiver.Receive(1s)) {
        ++datagrams;
        good += IsGoodTelegram(kTypeHpr418F, *datagram) ? 1 : 0;
    }
    EXPECT_EQ(datagrams, 5);
    EXPECT_EQ(good, 4);
}

TEST_F(SimulateNetworkTest, TcpListenServesFromTheFirstClientOn)
{
    CChildProcess simulate({"simulate", "--tcp-listen", "0", "--type", "6", "--rate", "20", "--count", "3"});
    ASSERT_TRUE(simulate.WaitForOutput("'\n", 10s)) << simulate.SoFar().err;
    const std::uint16_t port = ListeningPort(simulate.SoFar().out);
    const std::string address = "127.0.0.1:" + std::to_string(port);
    EXPECT_EQ(simulate.SoFar().out, "listening on " + address + "\nVANTREL_PORTS='COM1=tcp://" + address + "'\n");

    std::this_thread::sleep_for(500ms);  // ten telegrams' time: none is sent, none counted
    CTcpClient client("127.0.0.1", port);
    const std::string expected = FirstTelegrams(kTypeHpr418F, 3);
    client.ReadUntil(expected.size(), 10s);
    EXPECT_EQ(client.Received(), expected);
    const CCliResult result = simulate.Wait(10s);
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("sent 3 telegrams, 0 of them spoiled"), std::string::npos) << result.err;
}

TEST_F(SimulateNetworkTest, CtrlCEndsTheWaitForAClient)
{
    CChildProcess simulate({"simulate", "--tcp-listen", "[::1]:0", "--type", "6"});
    if (!simulate.WaitForOutput("'\n", 10s)) {
        const CCliResult failed = simulate.Wait(10s);
        if (failed.err.find("Cannot assign requested address") != std::string::npos)
            GTEST_SKIP() << "no IPv6 loopback here";
        FAIL() << failed.err;
    }
    simulate.Signal(SIGINT);
    const CCliResult result = simulate.Wait(10s);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.rfind("listening on [::1]:", 0), 0u) << result.out;
    EXPECT_NE(result.err.find("sent 0 telegrams"), std::string::npos) << result.err;
}

TEST_F(SimulateNetworkTest, AddressThatCannotBeUsedIsToldWithTheReason)
{
    const CTcpTelegramServer taken(CHostPort{"127.0.0.1", 0}.Resolve(SOCK_STREAM));
    const std::string address = CHostPort::Of(taken.LocalAddress()).Text();
    const CCliResult inUse = RunCli({"simulate", "--tcp-listen", address, "--type", "6"});
    EXPECT_EQ(inUse.status, 1);
    EXPECT_EQ(inUse.err, "vantrel-cli simulate: cannot listen on " + address + ": Address already in use\n");
    EXPECT_EQ(inUse.out, "");

    const CCliResult unknown = RunCli({"simulate", "--udp", "no-such-host.invalid:5600", "--type", "6"});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err.rfind("vantrel-cli simulate: cannot resolve no-such-host.invalid: ", 0), 0u) << unknown.err;
}

TEST_F(SimulateNetworkTest, BadAddressesAreRefusedAsUsage)
{
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"simulate", "--udp", "127.0.0.1"},
             {"simulate", "--udp", "127.0.0.1:0"},
             {"simulate", "--udp", "::1:5600"},
             {"simulate", "--tcp-listen", "port"},
             {"simulate", "--tcp-listen", "70000"},
             {"simulate", "--udp", "127.0.0.1:5600", "--tcp-listen", "5600"},
             {"simulate", "--udp", "127.0.0.1:5600", "--pty"},
         }) {
        const CCliResult result = RunCli(args);
        EXPECT_EQ(result.status, 2) << args[1] << " " << args[2] << "\n" << result.err;
        EXPECT_NE(result.err.find("usage: vantrel-cli simulate"), std::string::npos);
    }
}

} // namespace
