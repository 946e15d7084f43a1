// The timing ages: when an index counts as silent for longer than the
// position timeout, and what Reset, Restart and a new timeout keep.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
        EXPECT_DOUBLE_EQ(CTimingAges::AgeSeconds(ages.Rows()[0], c.now), (c.now - c.arrivals.back()) * 0.001);
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

} // namespace
