// The controller framing by content on real pseudo-terminals, for every
// format: telegrams back to back, noise before them and a telegram in
// pieces are each a read of their own; a begun telegram is handed on at the
// receive timeout; framed by silence the same burst is one read, marked as
// holding several telegrams. Whatever the framing, the reads put together
// are the bytes written.
#include <gtest/gtest.h>

#include <atomic>

#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "tests/acquisition/ControllerSupport.h"

namespace {

using namespace std::chrono_literals;

std::atomic<int> nextFramingPort{360};

constexpr int kBurst = 5;

class ContentReaderTest : public ::testing::TestWithParam<int> {
protected:
    void Start(CFraming framing, int receiveTimeout = 2)
    {
        StoreLineSettings(store, line, GetParam());
        store.WriteString("Framing", CommSettings::FramingText(framing));
        controller = std::make_unique<CTelegramDecoder>(&receiver, &store);
        if (receiveTimeout != 2)
            controller->SetCommSettings(line.PortName(), kConfig, receiveTimeout);
        ASSERT_TRUE(Eventually([this] { return line.IsHeldOpen(); }));
    }

    std::vector<std::string> Telegrams(int count)
    {
        std::vector<std::string> telegrams;
        for (int i = 0; i < count; ++i)
            telegrams.push_back(generator->Next());
        return telegrams;
    }

    // The reads that brought bytes, once at least count of them came.
    std::vector<CHandOff> ReadsWithBytes(std::size_t count)
    {
        std::vector<CHandOff> reads;
        Eventually([&] {
            reads.clear();
            for (const CHandOff& handOff : receiver.HandOffs())
                if (!handOff.raw.empty())
                    reads.push_back(handOff);
            return reads.size() >= count;
        });
        return reads;
    }

    static std::string Joined(const std::vector<CHandOff>& reads)
    {
        std::string bytes;
        for (const CHandOff& read : reads)
            bytes += read.raw;
        return bytes;
    }

    std::unique_ptr<CTelegramGenerator> generator = CTelegramGenerator::Create(GetParam());
    CMappedLine line{nextFramingPort++};
    CMemorySettingsStore store;
    CRecordingReceiver receiver;
    std::unique_ptr<CTelegramDecoder> controller;
};

TEST_P(ContentReaderTest, BackToBackTelegramsAfterNoiseAreReadOneByOne)
{
    Start(CFraming::ByContent);
    const std::vector<std::string> telegrams = Telegrams(kBurst);
    // A line of text has no start byte: what comes before one is part of it.
    const std::string noise = CFormatTable::IsLineBased(GetParam()) ? "\x01\x02\x03\r\n" : "\x01\x02\x03";
    std::string burst = noise;
    for (const std::string& telegram : telegrams)
        burst += telegram;
    line.Line().Write(burst);
    // Then one telegram in pieces 20 ms apart, as a device server forwards it.
    const std::string pieced = generator->Next();
    line.Line().WriteBursts({pieced.substr(0, 3), pieced.substr(3, 5), pieced.substr(8)}, 20ms);

    const std::vector<CHandOff> reads = ReadsWithBytes(kBurst + 2);
    ASSERT_EQ(reads.size(), static_cast<std::size_t>(kBurst + 2));
    EXPECT_EQ(reads[0].raw, noise);  // judged by the decoder as any read
    for (int i = 0; i < kBurst; ++i) {
        EXPECT_EQ(reads[static_cast<std::size_t>(i) + 1].raw, telegrams[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(reads[static_cast<std::size_t>(i) + 1].record.status, kStatusOk) << i;
    }
    EXPECT_EQ(reads.back().raw, pieced);
    EXPECT_EQ(reads.back().record.status, kStatusOk);
    EXPECT_EQ(Joined(reads), burst + pieced);
    for (const CHandOff& read : reads)
        EXPECT_FALSE(read.holdsSeveralTelegrams);
}

TEST_P(ContentReaderTest, BegunTelegramIsHandedOnAsItIsAtTheReceiveTimeout)
{
    Start(CFraming::ByContent, 1);
    const std::string telegram = generator->Next();
    const std::string begun = telegram.substr(0, telegram.size() / 2);
    const std::string whole = generator->Next();
    line.Line().Write(begun);
    ASSERT_TRUE(Eventually([&] { return !ReadsWithBytes(0).empty(); }, 5s));
    line.Line().Write(whole);

    const std::vector<CHandOff> reads = ReadsWithBytes(2);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].raw, begun);
    EXPECT_NE(reads[0].record.status, kStatusOk);
    EXPECT_EQ(reads[1].raw, whole);
    EXPECT_EQ(reads[1].record.status, kStatusOk);
}

TEST_P(ContentReaderTest, BySilenceABurstIsOneReadThatHoldsSeveralTelegrams)
{
    Start(CFraming::BySilence);
    std::string burst;
    for (const std::string& telegram : Telegrams(2))
        burst += telegram;
    ASSERT_LE(burst.size(), 256u);
    line.Line().Write(burst);
    const std::string single = generator->Next();
    std::this_thread::sleep_for(200ms);
    line.Line().Write(single);

    const std::vector<CHandOff> reads = ReadsWithBytes(2);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].raw, burst);
    EXPECT_TRUE(reads[0].holdsSeveralTelegrams);
    EXPECT_EQ(reads[1].raw, single);
    EXPECT_EQ(reads[1].record.status, kStatusOk);
    EXPECT_FALSE(reads[1].holdsSeveralTelegrams);
}

std::string FormatKey(const ::testing::TestParamInfo<int>& info)
{
    return CFormatTable::Find(info.param)->key;
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, ContentReaderTest,
                         ::testing::Values(kTypeHpr309, kTypeHpr418D, kTypeZaqAscii, kTypeHpr418Bcd, kTypeNmea,
                                           kTypeHpr418F),
                         FormatKey);

} // namespace
