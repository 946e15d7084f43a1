// Recorded sessions played again: their times as recorded, in the zone
// they were recorded in; the logs recut and dated across midnight; what a
// bad file tells, while the rest plays; seeking through the index and the
// player's controls.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "acquisition/TelegramReceiver.h"
#include "decoders/ByteView.h"
#include "decoders/FormatDecoder.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "replay/Replayer.h"
#include "replay/SessionIndex.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/support/Eventually.h"

namespace {

constexpr int kNmea = 4;
constexpr std::int64_t kHour = 3'600'000;
// 2026-12-09T14:03:07.125+01:00
constexpr std::int64_t kRecordedUtcMs = 1'796'821'387'125;

std::string CaptureLine(std::int64_t utcMs, int offsetMinutes, const char* format, int number, const std::string& raw)
{
    const nlohmann::ordered_json line{{"time", CWallTime{utcMs, offsetMinutes}.IsoText()},
                                      {"format", format},
                                      {"number", number},
                                      {"raw", CByteView(raw).Hex(0, raw.size())}};
    return line.dump() + "\n";
}

std::vector<std::string> Telegrams(int typeCode, int count)
{
    std::unique_ptr<CTelegramGenerator> generator = CTelegramGenerator::Create(typeCode);
    std::vector<std::string> telegrams;
    for (int i = 0; i < count; ++i)
        telegrams.push_back(generator->Next());
    return telegrams;
}

// A capture of count telegrams of the NMEA format, step apart from kRecordedUtcMs.
std::string Capture(int count, std::int64_t step, int offsetMinutes = 60)
{
    std::string text;
    const std::vector<std::string> telegrams = Telegrams(kNmea, count);
    for (int i = 0; i < count; ++i)
        text += CaptureLine(kRecordedUtcMs + i * step, offsetMinutes, "NMEA SSB/LBP", i + 1, telegrams[i]);
    return text;
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

struct CPlayed {
    std::vector<CRecordedRead> reads;
    std::vector<std::string> messages;
};

CPlayed ReadSession(const std::vector<std::string>& files, std::optional<int> typeCode = kNmea)
{
    CReplaySession::COptions options;
    options.typeCode = typeCode;
    CReplaySession session(files, options);
    CPlayed played;
    const auto messages = [&played](const CReplayMessage& message) { played.messages.push_back(message.Text()); };
    while (std::optional<CRecordedRead> read = session.Next(messages))
        played.reads.push_back(*read);
    return played;
}

class CCollectingReceiver : public CTelegramReceiver, public CReplayListener {
public:
    void OnTelegramDecoded(const CSharedTelegram& telegram) override
    {
        std::lock_guard lock(mutex);
        telegrams.push_back(telegram);
    }
    void OnReplaySeek(const CWallTime&) override { ++seeks; }
    std::size_t Count()
    {
        std::lock_guard lock(mutex);
        return telegrams.size();
    }
    int NumberOf(std::size_t i)
    {
        std::lock_guard lock(mutex);
        return telegrams.at(i)->record.number;
    }

    std::mutex mutex;
    std::vector<CSharedTelegram> telegrams;
    std::atomic<int> seeks{0};
};

TEST(WallTimeTest, IsoTextsReadBackAsTheyWereWrittenInTheirOwnZone)
{
    const struct {
        const char* text;
        const char* written;  // "" when refused
    } cases[] = {
        {"2026-12-09T14:03:07.125+01:00", "2026-12-09T14:03:07.125+01:00"},
        {"2026-12-31T23:59:59.999-03:30", "2026-12-31T23:59:59.999-03:30"},
        {"2024-02-29T00:00:00Z", "2024-02-29T00:00:00.000+00:00"},
        {"1969-12-31T23:59:59.5+00:00", "1969-12-31T23:59:59.500+00:00"},
        {"2026-12-09 14:03:07.125+01:00", ""},
        {"2026-13-09T14:03:07.125+01:00", ""},
        {"2026-12-09T14:03:07.125", ""},
        {"2026-12-09T14:03:07.125+01:00x", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        const std::optional<CWallTime> time = CWallTime::FromIsoText(c.text);
        EXPECT_EQ(time ? time->IsoText() : "", c.written) << c.text;
    }
    EXPECT_EQ(CWallTime::FromIsoText("2026-12-09T14:03:07.125+01:00")->utcMilliseconds, kRecordedUtcMs);
}

TEST(ReplaySessionTest, BadInputIsToldWithFileAndLineAndTheRestPlays)
{
    const std::vector<std::string> good = Telegrams(kNmea, 3);
    const auto line = [&good](int i, std::int64_t at) {
        return CaptureLine(kRecordedUtcMs + at, 60, "NMEA SSB/LBP", i + 1, good[i]);
    };
    // Later than any file's modification time, so that no time goes back.
    const std::string oneGood = CaptureLine(kRecordedUtcMs + 100000 * kHour, 60, "NMEA SSB/LBP", 9, good[2]);
    const struct {
        const char* name;
        std::string bad;        // the first file; a good one of one read follows it
        const char* told;       // in the message, after "<file>"
        std::size_t reads;      // of both files
    } cases[] = {
        {"cut.jsonl", line(0, 0) + line(1, 1000) + line(2, 2000).substr(0, 40), ":3: the last line is cut off", 3},
        {"text.jsonl", line(0, 0) + "hello\n" + line(1, 1000), ":2: not a JSON object", 3},
        {"hex.jsonl", line(0, 0) + R"({"time":"2026-12-09T14:03:08.125+01:00","raw":"4G"})" "\n",
         ":2: no bytes in hex", 2},
        {"notime.jsonl", R"({"time":null,"raw":"00"})" "\n" + line(0, 0), ":1: no time", 2},
        {"back.jsonl", line(0, 5000) + line(1, 1000), ":2: the time goes back", 3},
        {"other.jsonl", CaptureLine(kRecordedUtcMs, 60, "HPR 418F", 1, "x") + line(0, 0),
         ":1: a telegram of HPR 418F, not NMEA SSB/LBP", 2},
        {"empty.jsonl", "", ": empty", 1},
        {"long.jsonl", line(0, 0) + "{\"x\":\"" + std::string(3 << 20, 'x') + "\"}\n" + line(1, 1000),
         ":2: longer than any capture line", 3},
        {"alone.raw", good[0] + good[1], ": no CSV log beside it", 3},
    };
    for (const auto& c : cases) {
        CTempDir dir;
        WriteFile(dir.File(c.name), c.bad);
        WriteFile(dir.File("good.jsonl"), oneGood);
        const CPlayed played = ReadSession({dir.File(c.name), dir.File("good.jsonl")});
        ASSERT_EQ(played.messages.size(), 1u) << c.name;
        EXPECT_EQ(played.messages[0].rfind(dir.File(c.name) + c.told, 0), 0u) << played.messages[0];
        EXPECT_EQ(played.reads.size(), c.reads) << c.name;
        for (std::size_t i = 1; i < played.reads.size(); ++i)
            EXPECT_GE(played.reads[i].time.utcMilliseconds, played.reads[i - 1].time.utcMilliseconds) << c.name;
    }

    // A file wrong throughout tells its first faults, then that it tells no more.
    CTempDir dir;
    std::string garbage;
    for (int i = 0; i < 1000; ++i)
        garbage += "not json\n";
    WriteFile(dir.File("garbage.jsonl"), "{}\n" + garbage);
    WriteFile(dir.File("good.jsonl"), oneGood);
    const CPlayed played = ReadSession({dir.File("garbage.jsonl"), dir.File("good.jsonl")});
    EXPECT_EQ(played.reads.size(), 1u);
    ASSERT_EQ(played.messages.size(), 21u);
    EXPECT_EQ(played.messages.back(), dir.File("garbage.jsonl") + ": further faults of this file are not told");
}

TEST(ReplaySessionTest, LogsPlayAtTheirRowsTimesAcrossMidnightDatedByTheCsvLog)
{
    // Recorded on the evening of a local day into the next: a telegram, a
    // read that timed out, two more after midnight.
    CTempDir dir;
    const std::vector<std::string> telegrams = Telegrams(kNmea, 3);
    const CWallTime evening = *CWallTime::FromLocal(2026, 12, 9, 23, 59, 58, 500);
    const std::vector<std::pair<std::string, std::int64_t>> recorded = {
        {telegrams[0], 0}, {"", 1000}, {telegrams[1], 2000}, {telegrams[2], 3250}};
    {
        std::unique_ptr<CFormatDecoder> decoder = CFormatTable::Create(kNmea);
        ASSERT_TRUE(decoder->OpenLogs(dir.File("night.csv")).Ok());
        for (const auto& [raw, after] : recorded)
            DecodeRecordedRead(decoder.get(), raw, CWallTime::InLocalZone(evening.utcMilliseconds + after));
        decoder->CloseLogs();
    }
    const std::string csv = ReadWholeFile(dir.File("night.csv"));
    EXPECT_NE(csv.find("\n23:59:58.500,"), std::string::npos);
    EXPECT_NE(csv.find("\n00:00:01.750,"), std::string::npos);
    const std::int64_t writtenMs =
        CWallTime::FromLocal(2026, 12, 10, 8, 0, 0, 0)->utcMilliseconds;  // the next morning
    std::filesystem::last_write_time(
        dir.File("night.csv"),
        std::chrono::file_clock::from_sys(
            std::chrono::sys_time<std::chrono::milliseconds>(std::chrono::milliseconds(writtenMs))));

    for (const char* given : {"night.raw", "night.csv"}) {
        const CPlayed played = ReadSession({dir.File(given)}, std::nullopt);
        EXPECT_TRUE(played.messages.empty()) << played.messages.front();
        ASSERT_EQ(played.reads.size(), recorded.size()) << given;
        for (std::size_t i = 0; i < recorded.size(); ++i) {
            EXPECT_EQ(played.reads[i].raw, recorded[i].first) << i;
            EXPECT_EQ(played.reads[i].time.utcMilliseconds, evening.utcMilliseconds + recorded[i].second) << i;
        }
    }

    // A raw log holding a telegram more than the rows: told once, played a second after.
    std::ofstream(dir.File("night.raw"), std::ios::app | std::ios::binary) << telegrams[0];
    const CPlayed longer = ReadSession({dir.File("night.raw")});
    ASSERT_EQ(longer.reads.size(), recorded.size() + 1);
    EXPECT_EQ(longer.reads.back().time.utcMilliseconds, evening.utcMilliseconds + 4250);
    ASSERT_EQ(longer.messages.size(), 1u);
    EXPECT_NE(longer.messages[0].find("more reads recut from"), std::string::npos);
}

TEST(SessionIndexTest, SeekingFindsWhatPlayingFromTheStartFinds)
{
    // The same night as a capture and as logs, across midnight, with reads
    // that timed out among them, long enough for marks inside its files.
    CTempDir dir;
    const std::vector<std::string> telegrams = Telegrams(kNmea, 700);
    const CWallTime start = *CWallTime::FromLocal(2026, 12, 9, 23, 58, 0, 0);
    {
        std::unique_ptr<CFormatDecoder> decoder = CFormatTable::Create(kNmea);
        ASSERT_TRUE(decoder->OpenLogs(dir.File("night.csv")).Ok());
        std::ofstream capture(dir.File("night.jsonl"));
        for (int i = 0; i < 700; ++i) {
            const CWallTime time = CWallTime::InLocalZone(start.utcMilliseconds + i * 500);
            const std::string raw = i % 50 == 7 ? std::string() : telegrams[i];
            DecodeRecordedRead(decoder.get(), raw, time);
            capture << CaptureLine(time.utcMilliseconds, time.utcOffsetMinutes, "NMEA SSB/LBP", i + 1, raw);
        }
        decoder->CloseLogs();
    }
    std::filesystem::last_write_time(dir.File("night.csv"),
                                     std::chrono::file_clock::from_sys(std::chrono::sys_time<std::chrono::milliseconds>(
                                         std::chrono::milliseconds(start.utcMilliseconds + kHour))));
    for (const char* file : {"night.jsonl", "night.raw"}) {
        const CPlayed straight = ReadSession({dir.File(file)});
        ASSERT_EQ(straight.reads.size(), 700u) << file;
        CReplaySession session({dir.File(file)}, {});
        const std::optional<CSessionIndex> index = CSessionIndex::Build(session, [](const CReplayMessage&) {});
        ASSERT_TRUE(index);
        for (int target : {0, 255, 256, 257, 300, 511, 699}) {
            const std::int64_t at = straight.reads[target].time.utcMilliseconds - (target == 300 ? 250 : 0);
            session.SeekTo(index->EntryFor(at).mark);
            std::optional<CRecordedRead> read;
            do {
                read = session.Next([](const CReplayMessage& message) { ADD_FAILURE() << message.Text(); });
            } while (read && read->time.utcMilliseconds < at);
            ASSERT_TRUE(read) << file << " " << target;
            EXPECT_EQ(read->raw, straight.reads[target].raw) << file << " " << target;
            EXPECT_EQ(read->time, straight.reads[target].time) << file << " " << target;
            EXPECT_EQ(read->number, target + 1) << file << " " << target;
        }
    }
}

TEST(ReplayerTest, SeeksThroughTheIndexStepsPausesAndSpeedsUp)
{
    // A thousand reads an hour apart: at the recorded pace only the first
    // comes by itself within the test's time.
    CTempDir dir;
    WriteFile(dir.File("day.jsonl"), Capture(1000, kHour));
    CReplaySession session({dir.File("day.jsonl")}, {});
    std::vector<double> progress;
    const std::optional<CSessionIndex> index = CSessionIndex::Build(
        session, [](const CReplayMessage&) {}, [&progress](double fraction) { progress.push_back(fraction); });
    ASSERT_TRUE(index);
    EXPECT_EQ(index->Reads(), 1000u);
    EXPECT_EQ(index->First().utcMilliseconds, kRecordedUtcMs);
    EXPECT_EQ(index->Last().IsoText(), (CWallTime{kRecordedUtcMs + 999 * kHour, 60}.IsoText()));
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 1.0);

    CCollectingReceiver receiver;
    CReplayer player(std::move(session), kNmea, receiver, &receiver);
    player.UseIndex(std::make_shared<const CSessionIndex>(*index));
    player.Play();
    ASSERT_TRUE(Eventually([&] { return receiver.Count() == 1; }));
    player.Seek(kRecordedUtcMs + 699 * kHour - 1);
    ASSERT_TRUE(Eventually([&] { return receiver.Count() == 2; }));
    EXPECT_EQ(receiver.NumberOf(1), 700);
    EXPECT_EQ(receiver.seeks, 1);
    player.Pause();
    player.Step();
    ASSERT_TRUE(Eventually([&] { return receiver.Count() == 3; }));
    EXPECT_EQ(receiver.NumberOf(2), 701);
    EXPECT_EQ(player.GetState(), CReplayer::State::Paused);
    player.SetSpeed(0.0);
    player.Play();
    player.WaitUntilEnded();
    EXPECT_EQ(receiver.Count(), 3u + 299u);
    EXPECT_EQ(receiver.NumberOf(receiver.Count() - 1), 1000);
    // Every replayed telegram carries its recorded time and offset.
    EXPECT_EQ(receiver.telegrams.back()->IsoTimeText(), (CWallTime{kRecordedUtcMs + 999 * kHour, 60}.IsoText()));
    EXPECT_EQ(receiver.telegrams.back()->ReceiveTime(), static_cast<double>(kRecordedUtcMs + 999 * kHour));

    // At the end, a seek plays on from the start.
    player.Seek(0);
    player.Step();
    ASSERT_TRUE(Eventually([&] { return receiver.Count() == 303; }));
    EXPECT_EQ(receiver.NumberOf(302), 1);
}

} // namespace
