// The controller on network lines over the loopback interface: every format
// as UDP datagrams and as a TCP stream, decoded, counted and logged; a burst
// of datagrams; a TCP server that goes away and comes back; how often a
// network line is tried again; a port someone else holds; the receive
// timeout; a type change that reaches the line; switching between a serial
// port and a network line; and a connection that does not answer while the
// user waits.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "acquisition/TcpLine.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "tests/acquisition/ControllerSupport.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/ReportText.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::atomic<int> nextNetworkPort{400};

// Whether a socket (the controller's UDP line) holds the port.
bool IsUdpPortHeld(std::uint16_t port)
{
    try {
        CBoundSocket probe(SOCK_DGRAM, "127.0.0.1", port);
    } catch (const std::runtime_error&) {
        return true;
    }
    return false;
}

std::string UdpUrl(std::uint16_t port)
{
    return "udp://127.0.0.1:" + std::to_string(port);
}

// A controller reading the network line at url through a COM number of its
// own, with a receive timeout, logging to a folder of its own on request.
class CNetworkCapture {
public:
    CNetworkCapture(const std::string& url, int typeCode, int receiveTimeout = 2)
        : number(nextNetworkPort++), portName("COM" + std::to_string(number))
    {
        CPortMap::SetOverride(number, url);
        store.WriteString("Port", portName);
        store.WriteString("Config", kConfig);
        store.WriteInt("Telegram", typeCode);
        controller = std::make_unique<CTelegramDecoder>(&receiver, &store);
        if (receiveTimeout != 2)
            controller->SetCommSettings(portName, kConfig, receiveTimeout);
    }
    ~CNetworkCapture()
    {
        controller.reset();
        CPortMap::ClearOverride(number);
    }

    // Logs from now on; how many header rows the CSV begins with.
    std::size_t StartLogging()
    {
        EXPECT_TRUE(controller->SetLogging(true, CsvPath()).Ok());
        return Rows();
    }
    std::string CsvPath() const { return logDir.File("capture.csv"); }
    std::string RawLog() const { return ReadWholeFile(logDir.File("capture.raw")); }
    std::size_t Rows() const { return SplitLines(ReadWholeFile(CsvPath())).size(); }

    const int number;
    const std::string portName;
    CMemorySettingsStore store;
    CRecordingReceiver receiver;
    CTempDir logDir;
    std::unique_ptr<CTelegramDecoder> controller;
};

// Every hand-off holds the telegram sent, in order, decoded without a
// status error and numbered.
void ExpectDecodedInOrder(const std::vector<CHandOff>& handOffs, const std::vector<std::string>& sent)
{
    ASSERT_EQ(handOffs.size(), sent.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(handOffs[i].raw, sent[i]);
        EXPECT_GT(handOffs[i].index.receiveTime, 0.0);
        EXPECT_FALSE(ShowsAStatusError(handOffs[i].text)) << handOffs[i].text;
        EXPECT_NE(handOffs[i].text.find("Telegram number : " + std::to_string(i + 1) + "\n"), std::string::npos)
            << handOffs[i].text;
    }
}

std::string Joined(const std::vector<std::string>& telegrams)
{
    std::string all;
    for (const std::string& telegram : telegrams)
        all += telegram;
    return all;
}

TEST(NetworkControllerTest, EveryFormatOverUdpIsDecodedCountedAndLogged)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        auto generator = CTelegramGenerator::Create(format.code);
        ASSERT_NE(generator, nullptr);
        const std::uint16_t port = FreeUdpPort();
        CNetworkCapture capture(UdpUrl(port), format.code);
        ASSERT_TRUE(Eventually([&] { return IsUdpPortHeld(port); }));
        const std::size_t headerRows = capture.StartLogging();

        CUdpSender sender;
        std::vector<std::string> sent;
        for (int i = 0; i < 3; ++i) {
            sent.push_back(generator->Next());
            sender.Send(sent.back(), "127.0.0.1", port);
        }
        // Lines of text packed into one datagram are telegrams of their own.
        if (format.lineBased) {
            const std::string first = generator->Next();
            const std::string second = generator->Next();
            sender.Send(first + second, "127.0.0.1", port);
            sent.insert(sent.end(), {first, second});
        }
        ASSERT_TRUE(capture.receiver.WaitFor(sent.size()));
        std::this_thread::sleep_for(100ms);  // nothing more comes
        ExpectDecodedInOrder(capture.receiver.HandOffs(), sent);
        EXPECT_EQ(capture.Rows(), headerRows + sent.size());
        EXPECT_EQ(capture.RawLog(), Joined(sent));
        EXPECT_EQ(capture.receiver.Fault().reason, "");
    }
}

TEST(NetworkControllerTest, BurstOfDatagramsIsReadWholeInOrderAndLogged)
{
    if (!UdpQueueHoldsABurst())
        GTEST_SKIP() << "the system's limit (net.core.rmem_max) leaves no room for a burst";
    const std::uint16_t port = FreeUdpPort();
    CNetworkCapture capture(UdpUrl(port), kTypeHpr418F);
    ASSERT_TRUE(Eventually([&] { return IsUdpPortHeld(port); }));
    const std::size_t headerRows = capture.StartLogging();
    auto generator = CTelegramGenerator::Create(kTypeHpr418F);
    std::vector<std::string> sent;
    for (int i = 0; i < 1000; ++i)
        sent.push_back(generator->Next());
    CUdpSender sender;
    for (const std::string& telegram : sent)
        sender.Send(telegram, "127.0.0.1", port);
    ASSERT_TRUE(capture.receiver.WaitFor(sent.size(), 30s));
    ExpectDecodedInOrder(capture.receiver.HandOffs(), sent);
    EXPECT_EQ(capture.Rows(), headerRows + sent.size());
    EXPECT_EQ(capture.RawLog(), Joined(sent));
    EXPECT_EQ(capture.receiver.Fault().dropped, 0u);
}

TEST(NetworkControllerTest, EveryFormatOverTcpIsDecodedCountedAndLogged)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        auto generator = CTelegramGenerator::Create(format.code);
        ASSERT_NE(generator, nullptr);
        CTcpServer server;
        CNetworkCapture capture(server.Url(), format.code, 20);
        ASSERT_TRUE(Eventually([&] { return server.Connected() == 1; }));
        const std::size_t headerRows = capture.StartLogging();

        std::vector<std::string> sent;
        for (std::size_t i = 1; i <= 3; ++i) {
            sent.push_back(generator->Next());
            ASSERT_TRUE(server.Send(sent.back()));
            ASSERT_TRUE(capture.receiver.WaitFor(i));  // silence ends each telegram
        }
        ExpectDecodedInOrder(capture.receiver.HandOffs(), sent);
        EXPECT_EQ(capture.Rows(), headerRows + sent.size());
        EXPECT_EQ(capture.RawLog(), Joined(sent));
        EXPECT_TRUE(server.ClientsSentNothing());
    }
}

TEST(NetworkControllerTest, TcpServerThatGoesAwayAndComesBackLeavesNoFalseRowAndReadingResumes)
{
    auto generator = CTelegramGenerator::Create(kTypeHpr418F);
    CTcpServer server;
    CNetworkCapture capture(server.Url(), kTypeHpr418F, 20);
    ASSERT_TRUE(Eventually([&] { return server.Connected() == 1; }));
    const std::size_t headerRows = capture.StartLogging();
    const std::string before = generator->Next();
    ASSERT_TRUE(server.Send(before));
    ASSERT_TRUE(capture.receiver.WaitFor(1));

    const std::uint16_t port = server.Port();
    server.Stop();
    ASSERT_TRUE(Eventually([&] { return capture.receiver.Fault().lost; }));
    std::this_thread::sleep_for(2500ms);  // attempts to connect again are refused meanwhile
    const CToldFault fault = capture.receiver.Fault();
    EXPECT_TRUE(fault.lost);
    EXPECT_EQ(fault.reason, "the server closed the connection");
    EXPECT_EQ(fault.portName, capture.portName);
    EXPECT_EQ(fault.linePath, server.Url());
    EXPECT_EQ(capture.receiver.Count(), 1u);
    EXPECT_EQ(capture.Rows(), headerRows + 1);

    server.Start(port);
    ASSERT_TRUE(Eventually([&] { return server.Connected() == 1; }));
    const std::string after = generator->Next();
    ASSERT_TRUE(server.Send(after));
    ASSERT_TRUE(capture.receiver.WaitFor(2));
    ExpectDecodedInOrder(capture.receiver.HandOffs(), {before, after});
    EXPECT_EQ(capture.Rows(), headerRows + 2);
    EXPECT_EQ(capture.RawLog(), before + after);
    EXPECT_EQ(capture.receiver.Fault().reason, "");
}

TEST(NetworkControllerTest, ServerThatSendsEveryClientAwayIsTriedAboutOnceASecond)
{
    CTcpServer server;
    server.CloseEveryClientAtOnce(true);
    CNetworkCapture capture(server.Url(), kNoDecoder);
    ASSERT_TRUE(Eventually([&] { return server.Accepted() >= 1; }));
    const int first = server.Accepted();
    std::this_thread::sleep_for(3s);
    const int again = server.Accepted() - first;
    // A serial port is tried again about every 150 ms: some twenty times.
    EXPECT_GE(again, 1);
    EXPECT_LE(again, 5);
    EXPECT_EQ(capture.receiver.Count(), 0u);  // a dropped connection is no telegram
    EXPECT_TRUE(capture.receiver.Fault().lost);
}

TEST(NetworkControllerTest, UdpPortHeldElsewhereIsToldUntilItIsFree)
{
    auto holder = std::make_unique<CBoundSocket>(SOCK_DGRAM, "127.0.0.1");
    const std::uint16_t port = holder->Port();
    CNetworkCapture capture(UdpUrl(port), kNoDecoder);
    ASSERT_TRUE(Eventually([&] { return capture.receiver.Fault().reason == "Address already in use"; }));
    const CToldFault fault = capture.receiver.Fault();
    EXPECT_FALSE(fault.lost);
    EXPECT_EQ(fault.linePath, UdpUrl(port));

    holder.reset();
    ASSERT_TRUE(Eventually([&] { return IsUdpPortHeld(port); }));
    CUdpSender().Send("now heard", "127.0.0.1", port);
    ASSERT_TRUE(capture.receiver.WaitFor(1));
    EXPECT_EQ(capture.receiver.HandOffs()[0].raw, "now heard");
    EXPECT_EQ(capture.receiver.Fault().reason, "");
}

TEST(NetworkControllerTest, MalformedUrlIsToldAsThePortsReason)
{
    CNetworkCapture capture("udp://127.0.0.1", kNoDecoder);
    ASSERT_TRUE(Eventually([&] { return !capture.receiver.Fault().reason.empty(); }));
    EXPECT_EQ(capture.receiver.Fault().reason, "no port (udp://ADDRESS:PORT)");
    EXPECT_EQ(capture.receiver.Fault().linePath, "udp://127.0.0.1");
}

TEST(NetworkControllerTest, NoDatagramWithinTheReceiveTimeoutIsATimedOutReport)
{
    const std::uint16_t port = FreeUdpPort();
    CNetworkCapture capture(UdpUrl(port), kTypeHpr418F, 1);
    ASSERT_TRUE(capture.receiver.WaitFor(1));
    const CHandOff silence = capture.receiver.HandOffs()[0];
    EXPECT_EQ(silence.raw, "");
    EXPECT_NE(silence.text.find("TIMED OUT"), std::string::npos) << silence.text;
    EXPECT_GT(silence.index.receiveTime, 0.0);
}

TEST(NetworkControllerTest, TypeChangeTellsTheUdpLineHowToCutDatagrams)
{
    auto nmea = CTelegramGenerator::Create(kTypeNmea);
    const std::string two = nmea->Next() + nmea->Next();
    const std::uint16_t port = FreeUdpPort();
    CNetworkCapture capture(UdpUrl(port), kTypeHpr418F);
    ASSERT_TRUE(Eventually([&] { return IsUdpPortHeld(port); }));
    CUdpSender sender;
    sender.Send(two, "127.0.0.1", port);
    ASSERT_TRUE(capture.receiver.WaitFor(1));
    EXPECT_EQ(capture.receiver.HandOffs()[0].raw, two);  // a binary type: the datagram is one telegram

    capture.controller->SelectTelegramType(kTypeNmea);
    sender.Send(two, "127.0.0.1", port);
    ASSERT_TRUE(capture.receiver.WaitFor(3));
    const auto handOffs = capture.receiver.HandOffs();
    EXPECT_EQ(handOffs[1].raw + handOffs[2].raw, two);
    EXPECT_EQ(handOffs[1].raw.substr(handOffs[1].raw.size() - 2), "\r\n");
    EXPECT_FALSE(ShowsAStatusError(handOffs[2].text)) << handOffs[2].text;
}

TEST(NetworkControllerTest, ControllerReadsWhicheverLineThePortMapNames)
{
    CMappedLine serial(nextNetworkPort++);
    const std::uint16_t port = FreeUdpPort();
    CNetworkCapture capture(UdpUrl(port), kNoDecoder);
    ASSERT_TRUE(Eventually([&] { return IsUdpPortHeld(port); }));
    CUdpSender().Send("datagram", "127.0.0.1", port);
    ASSERT_TRUE(capture.receiver.WaitFor(1));

    capture.controller->SetCommSettings(serial.PortName(), kConfig, 2);
    ASSERT_TRUE(Eventually([&] { return serial.IsHeldOpen(); }));
    EXPECT_FALSE(IsUdpPortHeld(port));
    serial.Line().Write("serial bytes");
    ASSERT_TRUE(capture.receiver.WaitFor(2));

    capture.controller->SetCommSettings(capture.portName, kConfig, 2);
    ASSERT_TRUE(Eventually([&] { return IsUdpPortHeld(port); }));
    EXPECT_FALSE(serial.IsHeldOpen());
    CUdpSender().Send("datagram again", "127.0.0.1", port);
    ASSERT_TRUE(capture.receiver.WaitFor(3));
    const auto handOffs = capture.receiver.HandOffs();
    EXPECT_EQ(handOffs[0].raw, "datagram");
    EXPECT_EQ(handOffs[1].raw, "serial bytes");
    EXPECT_EQ(handOffs[2].raw, "datagram again");
}

TEST(NetworkControllerTest, ConnectionThatDoesNotAnswerHoldsUpNeitherTheUserNorTheShutDown)
{
    // A server whose queue of connections is full does not answer.
    const CBoundSocket full(SOCK_STREAM, "127.0.0.1");
    ASSERT_EQ(::listen(full.Fd(), 0), 0);
    const std::string url = "tcp://127.0.0.1:" + std::to_string(full.Port());
    CTcpLine queued;
    queued.Open(CLineAddress::Parse(url), CSerialFrame{});
    ASSERT_TRUE(queued.IsOpen());

    CNetworkCapture capture(url, kNoDecoder);
    // The reader holds the controller: it waits for the connection.
    std::string portName, configString;
    int timeout = 0;
    ASSERT_TRUE(Eventually([&] { return !capture.controller->GetCommSettings(portName, configString, timeout); }));
    std::this_thread::sleep_for(200ms);
    auto start = Clock::now();
    capture.controller->ReadCommSettings(portName, configString, timeout);
    EXPECT_LT(Clock::now() - start, 1500ms);  // not the 3 s a connection is waited for
    EXPECT_EQ(portName, capture.portName);

    ASSERT_TRUE(Eventually([&] { return capture.receiver.Fault().reason == "Connection timed out"; }));
    ASSERT_TRUE(Eventually([&] { return !capture.controller->GetCommSettings(portName, configString, timeout); }));
    std::this_thread::sleep_for(200ms);
    start = Clock::now();
    capture.controller.reset();
    EXPECT_LT(Clock::now() - start, 1500ms);
    EXPECT_EQ(capture.receiver.Count(), 0u);
}

} // namespace
