#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdlib>
#include <limits>
#include <optional>
#include <regex>
#include <string>
#include <thread>

#include "clock/Tickwarden.h"

namespace {

int SecondsOfDay(const SYSTEMTIME& time)
{
    return time.wHour * 3600 + time.wMinute * 60 + time.wSecond;
}

// Runs the process in another time zone while it lives.
class CTimeZone {
public:
    explicit CTimeZone(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            previous = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~CTimeZone()
    {
        if (previous)
            setenv("TZ", previous->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> previous;
};

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

TEST(Tickwarden, AReadingTurnsIntoItsLocalDateAndTimeWithTheOffsetFromUtc)
{
    const double now = CTickwarden::GetPCMilliSecs();
    const std::string text = CTickwarden::AdjustedPCMilliSecsToIsoText(now);
    ASSERT_TRUE(std::regex_match(text, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d)"))) << text;
    // The same date and time of day as the logs show for that reading.
    SYSTEMTIME time;
    ASSERT_TRUE(CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(now, time));
    char expected[64];
    std::snprintf(expected, sizeof expected, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", time.wYear, time.wMonth, time.wDay,
                  time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
    EXPECT_EQ(text.substr(0, 23), expected);

    // The offset is the zone's, with its sign and minutes.
    const struct {
        const char* zone;
        const char* offset;
    } zones[] = {{"UTC0", "+00:00"}, {"<+0530>-5:30", "+05:30"}, {"<-03>3", "-03:00"}, {"<-0930>9:30", "-09:30"}};
    for (const auto& zone : zones) {
        const CTimeZone inZone(zone.zone);
        EXPECT_EQ(CTickwarden::AdjustedPCMilliSecsToIsoText(now).substr(23), zone.offset) << zone.zone;
    }
    // Across midnight UTC the date moves on with the time of day.
    const CTimeZone utc("UTC0");
    const std::time_t wall = std::time(nullptr);
    const double toMidnight = (86400.0 - static_cast<double>(wall % 86400)) * 1000.0;
    const std::string before = CTickwarden::AdjustedPCMilliSecsToIsoText(now + toMidnight - 2000.0);
    const std::string after = CTickwarden::AdjustedPCMilliSecsToIsoText(now + toMidnight + 2000.0);
    EXPECT_NE(before.substr(0, 10), after.substr(0, 10)) << before << " " << after;
    EXPECT_EQ(after.substr(11, 5), "00:00") << after;
}

TEST(Tickwarden, ReadingsThatNoClockGaveHaveNoDateText)
{
    EXPECT_EQ(CTickwarden::AdjustedPCMilliSecsToIsoText(std::numeric_limits<double>::quiet_NaN()), "");
    EXPECT_EQ(CTickwarden::AdjustedPCMilliSecsToIsoText(1e300), "");
}
