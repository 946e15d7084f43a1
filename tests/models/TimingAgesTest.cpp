// The timing ages: when an index counts as silent for longer than the
// position timeout, and what Reset, Restart and a new timeout keep; the
// time the user keeps the port closed counts in no age and no interval.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "models/LineModels.h"
#include "models/TimingAges.h"

namespace {

CTelegramIndex Index(const std::string& text, double receiveTime)
{
    CTelegramIndex index;
    index.SetIndex(1, text);
    index.receiveTime = receiveTime;
    return index;
}

// One index's telegrams (clock milliseconds), and whether it counts as
// stale at clock time now with the default timeout of 5 s.
struct CStaleCase {
    const char* what;
    std::vector<double> arrivals;
    double now;
    bool stale;
};

TEST(TimingAges, StaleOnceSilentForLongerThanTheTimeoutAtAnyTime)
{
    const CStaleCase cases[] = {
        {"an age equal to the timeout is not too old", {0}, 5000, false},
        {"any longer age is", {0}, 5001, true},
        {"regular telegrams never are", {0, 4000, 8000, 12000}, 13000, false},
        {"a gap longer than the timeout stays stale when telegrams resume", {0, 4000, 9500, 10000}, 10100, true},
        {"a gap of exactly the timeout is not", {0, 5000}, 5000, false},
    };
    for (const CStaleCase& c : cases) {
        SCOPED_TRACE(c.what);
        CTimingAges ages;
        for (const double time : c.arrivals)
            ages.Add(Index("B1", time));
        ASSERT_EQ(ages.Rows().size(), 1u);
        EXPECT_EQ(ages.IsStale(ages.Rows()[0], c.now), c.stale);
        EXPECT_DOUBLE_EQ(ages.AgeSeconds(ages.Rows()[0], c.now), (c.now - c.arrivals.back()) * 0.001);
    }
}

TEST(TimingAges, ANewTimeoutKeepsWhatWasStaleAndJudgesFromThenOn)
{
    CTimingAges ages;
    ages.Add(Index("old", 0));
    ages.Add(Index("young", 4000));
    ages.SetPositionTimeout(10.0, 6000);  // "old" was 6 s silent: stale under 5 s
    EXPECT_TRUE(ages.IsStale(ages.Rows()[0], 6000));
    EXPECT_FALSE(ages.IsStale(ages.Rows()[1], 13000));
    EXPECT_TRUE(ages.IsStale(ages.Rows()[1], 14001));
    EXPECT_TRUE(ages.IsOlderThanTimeout(0, 10001));
    EXPECT_FALSE(ages.IsOlderThanTimeout(0, 10000));

    // Reset forgets the indexes and their marks, not the timeout; Restart both.
    ages.Reset();
    EXPECT_TRUE(ages.Rows().empty());
    EXPECT_EQ(ages.PositionTimeout(), 10.0);
    ages.Add(Index("old", 20000));
    EXPECT_FALSE(ages.IsStale(ages.Rows()[0], 20000));
    ages.Restart();
    EXPECT_TRUE(ages.Rows().empty());
    EXPECT_EQ(ages.PositionTimeout(), CTimingAges::kDefaultPositionTimeout);
}

TEST(TimingAges, RowsInTheOrderOfTheirFirstTelegramUpToTheLimit)
{
    CTimingAges ages;
    CTelegramIndex unidentified;
    unidentified.text = "X";
    ages.Add(unidentified);
    ages.Add(Index("B2", 0));
    CTelegramIndex vessel = Index("B2", 10);
    vessel.kind = 0;
    ages.Add(vessel);
    ages.Add(Index("B2", 20));
    ASSERT_EQ(ages.Rows().size(), 2u);
    EXPECT_EQ(ages.Rows()[0].kind, 1);
    EXPECT_EQ(ages.Rows()[0].receiveTime, 20.0);
    EXPECT_EQ(ages.Rows()[1].kind, 0);

    // A line naming ever new indexes: the first ones keep their rows.
    for (std::size_t i = 0; i < CTimingAges::kMaxIndexes + 10; ++i)
        ages.Add(Index("N" + std::to_string(i), 30));
    EXPECT_EQ(ages.Rows().size(), CTimingAges::kMaxIndexes);
    EXPECT_EQ(ages.Rows()[1].kind, 0);
}

// A telegram of index B1 at time (ms), or a line event at time: how the
// line's models take a port that the user closes and the reader opens again.
struct CLineStep {
    double time;
    std::optional<CLineEvent::Kind> event;  // none: a telegram of B1
};

struct CClosedCase {
    const char* what;
    std::vector<CLineStep> steps;
    double now;
    bool stale;
    double ageSeconds;           // of B1 at now
    double longestIntervalSecs;  // of B1
    double meanIntervalSecs;     // of B1
};

TEST(TimingAges, APortTheUserClosedCountsInNoAgeAndNoInterval)
{
    using Kind = CLineEvent::Kind;
    const CClosedCase cases[] = {
        {"closed for 9.5 s, then read again", {{0, {}}, {1000, {}}, {1100, Kind::ClosedByUser}, {10600, Kind::Back},
         {10700, {}}}, 10700, false, 0.0, 1.0, 1.0},
        {"ages stand while the port is closed", {{0, {}}, {500, Kind::ClosedByUser}}, 60000, false, 0.5, 0.0, 0.0},
        {"and run again once it is open", {{0, {}}, {500, Kind::ClosedByUser}, {20500, Kind::Back}}, 26001, true,
         6.001, 0.0, 0.0},
        {"another port chosen: the gap to its first read is not counted", {{0, {}}, {1000, {}},
         {2000, Kind::Replaced}, {9000, {}}, {10000, {}}}, 10000, false, 0.0, 1.0, 1.0},
        {"a port the user chose that is refused is a fault of the line", {{0, {}}, {1000, Kind::Replaced},
         {1200, Kind::Refused}}, 5201, true, 5.001, 0.0, 0.0},
        {"without a close, the same gap is a silence of the line", {{0, {}}, {1000, {}}, {10700, {}}}, 10700, true,
         0.0, 9.7, 5.35},
    };
    for (const CClosedCase& c : cases) {
        SCOPED_TRACE(c.what);
        CLineModels models;
        for (const CLineStep& step : c.steps) {
            if (step.event) {
                CLineEvent event;
                event.kind = *step.event;
                event.time = step.time;
                models.OnLineEvent(event);
            } else {
                CTelegramRecord record;
                record.status = kStatusOk;
                models.Add(CDecodedTelegram{"x", "", Index("B1", step.time), record});
            }
        }
        const CTimingAges& ages = models.Timing();
        ASSERT_EQ(ages.Rows().size(), 1u);
        EXPECT_EQ(ages.IsStale(ages.Rows()[0], c.now), c.stale);
        EXPECT_NEAR(ages.AgeSeconds(ages.Rows()[0], c.now), c.ageSeconds, 1e-9);
        const CStatisticsRow row = models.Statistics().Rows().front();
        EXPECT_NEAR(row.MaxIntervalSeconds(), c.longestIntervalSecs, 1e-9);
        EXPECT_NEAR(row.MeanIntervalSeconds(), c.meanIntervalSecs, 1e-9);
    }
}

} // namespace
