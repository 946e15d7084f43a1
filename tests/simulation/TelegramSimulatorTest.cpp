// The simulator as a listener meets it: bursts on a pseudo-terminal at the
// asked rate and count, the asked share spoiled, and a prompt stop even
// when nobody drains the line.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "decoders/ContentFraming.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "simulation/PtyLine.h"
#include "simulation/TelegramSimulator.h"
#include "tests/decoders/DecoderTestSupport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Spoil = CTelegramSimulator::Spoil;

// One burst from the slave side: the first byte within firstByte, then
// whatever follows until the line has been quiet for quiet.
std::string ReadBurst(int fd, std::chrono::milliseconds firstByte, std::chrono::milliseconds quiet = 40ms)
{
    std::string bytes;
    pollfd wait{fd, POLLIN, 0};
    for (auto limit = firstByte; poll(&wait, 1, static_cast<int>(limit.count())) > 0; limit = quiet) {
        char buffer[512];
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

class CSlaveSide {
public:
    explicit CSlaveSide(const CPtyLine& line) : fd(open(line.SlavePath().c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC)) {}
    ~CSlaveSide() { close(fd); }
    int fd;
};

// What a simulator with options wrote to a pseudo-terminal, burst by burst,
// until it finished.
struct CSimulatedLine {
    std::vector<std::string> bursts;
    bool finished = false;
    std::uint64_t sent = 0;
    std::uint64_t spoiled = 0;
};

CSimulatedLine Simulate(const CSimulationOptions& options)
{
    CPtyLine line;
    CSlaveSide slave(line);
    CTelegramSimulator simulator(line.MasterFd(), options);
    simulator.Start();
    CSimulatedLine simulated;
    for (std::string burst = ReadBurst(slave.fd, 1s); !burst.empty(); burst = ReadBurst(slave.fd, 500ms))
        simulated.bursts.push_back(burst);
    simulated.finished = simulator.WaitFinished(0ms);
    simulated.sent = simulator.SentCount();
    simulated.spoiled = simulator.SpoiledCount();
    return simulated;
}

TEST(TelegramSimulatorTest, SpoilingChangesWhatTheDecoderChecks)
{
    const std::string telegram = CTelegramGenerator::Create(kTypeHpr418F)->Next();
    const std::string flipped = CTelegramSimulator::SpoilTelegram(telegram, Spoil::WrongChecksum);
    ASSERT_EQ(flipped.size(), telegram.size());
    EXPECT_EQ(flipped[telegram.size() / 2] ^ telegram[telegram.size() / 2], 1);
    EXPECT_EQ(flipped.substr(0, telegram.size() / 2), telegram.substr(0, telegram.size() / 2));

    const std::string cut = CTelegramSimulator::SpoilTelegram(telegram, Spoil::CutShort);
    EXPECT_LT(cut.size(), telegram.size());
    EXPECT_EQ(telegram.rfind(cut, 0), 0u);

    const std::string badEnd = CTelegramSimulator::SpoilTelegram(telegram, Spoil::WrongEndByte);
    EXPECT_NE(badEnd.back(), telegram.back());
    EXPECT_EQ(badEnd.substr(0, telegram.size() - 1), telegram.substr(0, telegram.size() - 1));

    EXPECT_EQ(CTelegramSimulator::SpoilTelegram("", Spoil::CutShort), "");
    EXPECT_EQ(CTelegramSimulator::SpoilTelegram("x", Spoil::CutShort), "");
}

TEST(TelegramSimulatorTest, SendsTheCountAsSeparateBurstsWithTheAskedShareSpoiled)
{
    CSimulationOptions options;
    options.typeCode = kTypeHpr418F;
    options.rate = 10;
    options.count = 6;
    options.errorFraction = 0.5;
    const CSimulatedLine simulated = Simulate(options);
    const std::vector<std::string>& bursts = simulated.bursts;
    EXPECT_TRUE(simulated.finished);
    ASSERT_EQ(bursts.size(), 6u);
    EXPECT_EQ(simulated.sent, 6u);
    EXPECT_EQ(simulated.spoiled, 3u);

    auto decoder = CFormatTable::Create(kTypeHpr418F);
    int bad = 0;
    for (const std::string& burst : bursts) {
        const std::string text = DecodeTelegram(*decoder, burst).text;
        // A wrong sum is shown on the sum's line of an otherwise decoded report.
        if (text.find("Telegram type   : HPR 418") != 0 || text.find("ERROR") != std::string::npos)
            ++bad;
    }
    EXPECT_EQ(bad, 3);
}

// Bursts of telegrams back to back, whole or in pieces: each cycle is one
// burst of the line holding its telegrams, every one whole, and the count
// counts telegrams.
TEST(TelegramSimulatorTest, BurstsHoldTheirTelegramsBackToBackWholeOrInPieces)
{
    for (const bool split : {false, true}) {
        SCOPED_TRACE(split ? "split" : "whole");
        CSimulationOptions options;
        options.typeCode = kTypeHpr418D;
        options.rate = 5;
        options.count = 7;
        options.burst = 3;
        options.split = split;
        const CSimulatedLine simulated = Simulate(options);
        EXPECT_TRUE(simulated.finished);
        EXPECT_EQ(simulated.sent, 7u);
        const auto framer = CFormatTable::CreateFramer(kTypeHpr418D);
        std::vector<int> telegrams;
        for (const std::string& burst : simulated.bursts)
            telegrams.push_back(CContentFraming::CountTelegrams(*framer, burst));
        EXPECT_EQ(telegrams, (std::vector<int>{3, 3, 1}));
    }
}

TEST(TelegramSimulatorTest, StopsPromptlyWhenNobodyDrainsTheLine)
{
    CPtyLine line;
    CSimulationOptions options;
    options.typeCode = kTypeHpr418F;
    options.rate = 1000;
    CTelegramSimulator simulator(line.MasterFd(), options);
    simulator.Start();
    std::this_thread::sleep_for(1s);  // long enough to fill the line's buffer
    const auto before = Clock::now();
    simulator.Stop();
    EXPECT_LT(Clock::now() - before, 1s);
    EXPECT_EQ(simulator.GetWriteError(), "");
}

TEST(TelegramSimulatorTest, TypeWithoutFormatKeepsTheLineSilentUntilSwitched)
{
    CPtyLine line;
    CSlaveSide slave(line);
    CSimulationOptions options;
    options.typeCode = 5;
    options.rate = 20;
    CTelegramSimulator simulator(line.MasterFd(), options);
    simulator.Start();
    EXPECT_EQ(ReadBurst(slave.fd, 300ms), "");
    simulator.SetTelegramType(kTypeHpr418F);
    EXPECT_NE(ReadBurst(slave.fd, 300ms), "");
}

} // namespace
