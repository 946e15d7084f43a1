#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <limits>
#include <thread>

#include "clock/Tickwarden.h"

namespace {

int SecondsOfDay(const SYSTEMTIME& time)
{
    return time.wHour * 3600 + time.wMinute * 60 + time.wSecond;
}

} // namespace

TEST(Tickwarden, ReadingsAdvanceInMillisecondsWithTheSteadyClock)
{
    const double first = CTickwarden::GetPCMilliSecs();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const double second = CTickwarden::GetPCMilliSecs();
    EXPECT_GE(second - first, 19.0);
    EXPECT_LT(second - first, 5000.0);  // milliseconds, not microseconds
}

TEST(Tickwarden, AReadingTurnsIntoTheLocalTimeOfDayItWasTakenAt)
{
    const std::time_t before = std::time(nullptr);
    SYSTEMTIME time;
    ASSERT_TRUE(CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(CTickwarden::GetPCMilliSecs(), time));
    std::tm local{};
    localtime_r(&before, &local);
    const int expected = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
    // Within two seconds, also across midnight.
    const int difference = (SecondsOfDay(time) - expected + 86400) % 86400;
    EXPECT_LE(difference, 2) << time.wHour << ":" << time.wMinute << ":" << time.wSecond;
    EXPECT_EQ(time.wYear, local.tm_year + 1900);
    EXPECT_LT(time.wMilliseconds, 1000);
}

TEST(Tickwarden, TimesOfDayKeepTheDistanceOfTheirReadings)
{
    const double now = CTickwarden::GetPCMilliSecs();
    SYSTEMTIME early, late;
    ASSERT_TRUE(CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(now, early));
    ASSERT_TRUE(CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(now + 61'250.0, late));
    const int earlyMs = SecondsOfDay(early) * 1000 + early.wMilliseconds;
    const int lateMs = SecondsOfDay(late) * 1000 + late.wMilliseconds;
    EXPECT_EQ((lateMs - earlyMs + 86'400'000) % 86'400'000, 61'250);
}

TEST(Tickwarden, ReadingsThatNoClockGaveAreRefused)
{
    SYSTEMTIME time;
    EXPECT_FALSE(CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(std::numeric_limits<double>::quiet_NaN(), time));
    EXPECT_FALSE(CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(std::numeric_limits<double>::infinity(), time));
    EXPECT_FALSE(CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(1e300, time));
}
