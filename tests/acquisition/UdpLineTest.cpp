// The UDP line on the loopback interface: a datagram is a telegram, cut to
// reads of 256 bytes and, for a line-based format, at every line end; the
// receive timeout, the sender filter, a port someone else holds, IPv6, a
// multicast group, the user's interruption, datagrams waiting and a flood
// whose losses the system counts.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "acquisition/UdpLine.h"
#include "clock/Tickwarden.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "tests/support/Eventually.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/LoopbackSockets.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct CTelegram {
    std::string bytes;
    CLineRead read;
};

std::string Pattern(std::size_t size)
{
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i)
        bytes += static_cast<char>((i * 7) & 0xFF);  // LF and CR among them
    return bytes;
}

class UdpLineTest : public ::testing::Test {
protected:
    // Opens the line at url; a read waits totalMs plus 1 ms a byte at most.
    void Open(const std::string& url, std::uint32_t totalMs = 3000)
    {
        line.Open(CLineAddress::Parse(url), CSerialFrame{});
        ASSERT_TRUE(line.IsOpen());
        COMMTIMEOUTS timeouts;
        timeouts.ReadIntervalTimeout = 60;
        timeouts.ReadTotalTimeoutMultiplier = 1;
        timeouts.ReadTotalTimeoutConstant = totalMs;
        line.SetTimeouts(timeouts);
    }
    // The line on 127.0.0.1 and a port of its own, with options after '?'.
    void OpenOnLoopback(const std::string& options = "", std::uint32_t totalMs = 3000)
    {
        port = FreeUdpPort();
        Open(Url() + options, totalMs);
    }
    std::string Url() const { return "udp://127.0.0.1:" + std::to_string(port); }

    CTelegram Read()
    {
        unsigned char buffer[256];
        CTelegram telegram;
        telegram.read = line.Read(buffer, sizeof buffer);
        telegram.bytes.assign(reinterpret_cast<const char*>(buffer), telegram.read.count);
        return telegram;
    }
    std::vector<std::string> ReadBytes(std::size_t count)
    {
        std::vector<std::string> telegrams;
        for (std::size_t i = 0; i < count; ++i)
            telegrams.push_back(Read().bytes);
        return telegrams;
    }
    void Send(const std::string& bytes) { sender.Send(bytes, "127.0.0.1", port); }

    CUdpLine line;
    CUdpSender sender;
    std::uint16_t port = 0;
};

TEST_F(UdpLineTest, EachDatagramIsOneTelegramStampedOnArrival)
{
    OpenOnLoopback();
    EXPECT_EQ(line.Name(), Url());
    const double before = CTickwarden::GetPCMilliSecs();
    // Back to back: a serial line would read them as one block.
    Send("first");
    Send("second");
    const CTelegram first = Read();
    const CTelegram second = Read();
    EXPECT_EQ(first.bytes, "first");
    EXPECT_EQ(second.bytes, "second");
    EXPECT_GE(first.read.receiveTime, before);
    EXPECT_GE(second.read.receiveTime, first.read.receiveTime);
    EXPECT_LE(second.read.receiveTime, CTickwarden::GetPCMilliSecs());
    EXPECT_FALSE(first.read.interrupted);
    EXPECT_FALSE(Readable(sender.Fd(), 200ms));  // the line only listens: nothing comes back
}

TEST_F(UdpLineTest, LongDatagramIsHandedOnInPiecesOfAReadEachWithItsArrival)
{
    OpenOnLoopback();
    const std::string datagram = Pattern(300);
    Send(datagram);
    Send("next");
    const CTelegram head = Read();
    const CTelegram tail = Read();
    EXPECT_EQ(head.bytes, datagram.substr(0, 256));  // line ends inside do not cut a binary telegram
    EXPECT_EQ(tail.bytes, datagram.substr(256));
    EXPECT_EQ(tail.read.receiveTime, head.read.receiveTime);
    EXPECT_EQ(Read().bytes, "next");
}

TEST_F(UdpLineTest, LineBasedFormatGetsOneTelegramPerLineWithItsLineEnd)
{
    OpenOnLoopback();
    line.SetLineBasedFormat(CFormatTable::IsLineBased(kTypeNmea));
    auto nmea = CTelegramGenerator::Create(kTypeNmea);
    const std::vector<std::string> sentences = {nmea->Next(), nmea->Next(), nmea->Next()};
    Send(sentences[0] + sentences[1] + sentences[2]);
    const CTelegram first = Read();
    EXPECT_EQ(first.bytes, sentences[0]);
    EXPECT_EQ(first.bytes.substr(first.bytes.size() - 2), "\r\n");
    EXPECT_EQ(ReadBytes(2), std::vector<std::string>({sentences[1], sentences[2]}));

    // Line feed alone, LF CR, and a last line without an end; a line longer
    // than a read is cut as a serial read would cut it.
    Send("A\nB\n\rC");
    EXPECT_EQ(ReadBytes(3), std::vector<std::string>({"A\n", "B\n\r", "C"}));
    const std::string longLine = std::string(299, 'x') + "\r\n";
    Send(longLine + "$end\r\n");
    EXPECT_EQ(ReadBytes(3), std::vector<std::string>({longLine.substr(0, 256), longLine.substr(256), "$end\r\n"}));

    // The type changes back to a binary one: the datagram is whole again.
    line.SetLineBasedFormat(CFormatTable::IsLineBased(kTypeHpr418F));
    Send("one\r\ntwo\r\n");
    EXPECT_EQ(Read().bytes, "one\r\ntwo\r\n");
}

TEST_F(UdpLineTest, WaitingDatagramsAreToldAndWhatTheSystemDropsIsCounted)
{
    OpenOnLoopback("", 100);
    EXPECT_FALSE(line.IsTelegramWaiting());
    Send("0123456789");
    Send("next");
    ASSERT_TRUE(Eventually([&] { return line.IsTelegramWaiting(); }));
    unsigned char piece[4];
    EXPECT_EQ(line.Read(piece, sizeof piece).count, 4u);
    EXPECT_TRUE(line.IsTelegramWaiting());  // the rest of the datagram, then the next
    EXPECT_EQ(ReadBytes(2), std::vector<std::string>({"456789", "next"}));
    EXPECT_FALSE(line.IsTelegramWaiting());
    EXPECT_EQ(line.DroppedBySystem(), 0u);

    // The count comes with the first datagram queued after the losses.
    const int flooded = Flood(sender, "127.0.0.1", port);
    std::size_t floodBytes = 0;
    for (CTelegram piece = Read(); piece.read.count > 0; piece = Read())
        floodBytes += piece.read.count;
    ASSERT_EQ(floodBytes % kFloodDatagramBytes, 0u);
    Send("after");
    EXPECT_EQ(Read().bytes, "after");
    const auto kept = static_cast<int>(floodBytes / kFloodDatagramBytes);
    EXPECT_GT(kept, 0);
    EXPECT_EQ(line.DroppedBySystem(), static_cast<std::uint64_t>(flooded - kept));
}

TEST_F(UdpLineTest, NoDatagramWithinTheTimeoutIsAnEmptyRead)
{
    OpenOnLoopback("", 300);
    Send("");  // an empty datagram is no telegram
    const auto start = Clock::now();
    const double before = CTickwarden::GetPCMilliSecs();
    const CTelegram silence = Read();
    const auto waited = Clock::now() - start;
    EXPECT_EQ(silence.read.count, 0u);
    EXPECT_FALSE(silence.read.interrupted);
    EXPECT_GE(silence.read.receiveTime, before);
    EXPECT_GE(waited, 500ms);  // 300 ms plus 1 ms for each of 256 bytes
    EXPECT_LT(waited, 5s);
}

TEST_F(UdpLineTest, SenderOtherThanFromIsDropped)
{
    OpenOnLoopback("?from=127.0.0.1", 300);
    const CUdpSender stranger("127.0.0.2");
    stranger.Send("stranger", "127.0.0.1", port);
    Send("friend");
    stranger.Send("stranger again", "127.0.0.1", port);
    EXPECT_EQ(Read().bytes, "friend");
    EXPECT_EQ(Read().read.count, 0u);
}

TEST_F(UdpLineTest, PortThatAnotherSocketHoldsIsRefusedWithTheReason)
{
    const CBoundSocket holder(SOCK_DGRAM, "127.0.0.1");
    const std::string url = "udp://127.0.0.1:" + std::to_string(holder.Port());
    try {
        line.Open(CLineAddress::Parse(url), CSerialFrame{});
        FAIL() << "opened a port that another socket holds";
    } catch (const CSerialException& refusal) {
        EXPECT_EQ(refusal.GetErrorMessage(), "Address already in use");
    }
    EXPECT_FALSE(line.IsOpen());
    EXPECT_EQ(line.Name(), url);
}

TEST_F(UdpLineTest, AddressesThatCannotBeListenedToAreRefusedWithTheirFault)
{
    const std::pair<std::string, std::string> cases[] = {
        {"udp://127.0.0.1", "no port (udp://ADDRESS:PORT)"},
        {"udp://127.0.0.1:5000?interface=lo", "interface= is for a multicast group only"},
        {"udp://127.0.0.1:5000?from=::1", "from=::1 has no IPv4 address"},
        {"udp://239.255.77.1:5000?interface=vantrel-none", "no network interface vantrel-none"},
    };
    for (const auto& [url, reason] : cases) {
        try {
            line.Open(CLineAddress::Parse(url), CSerialFrame{});
            ADD_FAILURE() << "opened " << url;
        } catch (const CSerialException& refusal) {
            EXPECT_EQ(refusal.GetErrorMessage(), reason) << url;
        }
        EXPECT_FALSE(line.IsOpen()) << url;
    }
}

TEST_F(UdpLineTest, EveryInterfaceIPv6LoopbackAndAMulticastGroup)
{
    port = FreeUdpPort();
    Open("udp://:" + std::to_string(port));
    Send("every interface");
    EXPECT_EQ(Read().bytes, "every interface");

    port = FreeUdpPort("::1");
    Open("udp://[::1]:" + std::to_string(port));
    CUdpSender("::1").Send("over IPv6", "::1", port);
    EXPECT_EQ(Read().bytes, "over IPv6");

    // The group is joined on the loopback interface, by address and by name.
    for (const std::string joinInterface : {"127.0.0.1", "lo"}) {
        port = FreeUdpPort();
        Open("udp://239.255.77.1:" + std::to_string(port) + "?interface=" + joinInterface);
        CUdpSender member;
        member.SendMulticastFrom("127.0.0.1");
        member.Send("to the group", "239.255.77.1", port);
        EXPECT_EQ(Read().bytes, "to the group") << joinInterface;
    }
}

TEST_F(UdpLineTest, InterruptionEndsAWaitingReadButNotADatagramThatWaits)
{
    OpenOnLoopback("", 20000);
    auto waiting = std::async(std::launch::async, [this] { return Read(); });
    std::this_thread::sleep_for(100ms);
    const auto interrupted = Clock::now();
    line.InterruptRead();
    ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
    EXPECT_LT(Clock::now() - interrupted, 5s);
    const CTelegram ended = waiting.get();
    EXPECT_TRUE(ended.read.interrupted);
    EXPECT_EQ(ended.read.count, 0u);

    // A datagram that is already there is read first; the request stays for the next read.
    Send("waiting");
    std::this_thread::sleep_for(50ms);
    line.InterruptRead();
    EXPECT_EQ(Read().bytes, "waiting");
    EXPECT_TRUE(Read().read.interrupted);
    line.InterruptRead();
    line.ClearInterrupt();
    Send("after");
    EXPECT_EQ(Read().bytes, "after");
}

} // namespace
