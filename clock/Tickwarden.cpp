#include "clock/Tickwarden.h"

#include <chrono>
#include <cmath>
#include <ctime>
#include <optional>

#include "clock/WallTime.h"

namespace {

using SteadyMs = std::chrono::duration<double, std::milli>;

// The wall clock and the steady clock read together once, so that every
// later steady reading can be turned into a time of day without jumps when
// the wall clock is adjusted while the program runs.
struct ClockAnchor {
    std::chrono::system_clock::time_point wall = std::chrono::system_clock::now();
    double steadyMs = SteadyMs(std::chrono::steady_clock::now().time_since_epoch()).count();
};

const ClockAnchor& Anchor()
{
    static const ClockAnchor anchor;
    return anchor;
}

// The wall clock's milliseconds since 1970 UTC at a reading; nullopt for a
// reading no clock gave.
std::optional<std::int64_t> WallMillisecondsOf(double pcMilliSecs)
{
    if (!std::isfinite(pcMilliSecs))
        return std::nullopt;
    const ClockAnchor& anchor = Anchor();
    const double offsetMs = pcMilliSecs - anchor.steadyMs;
    // Keep the offset within about a thousand years so the conversion cannot overflow.
    if (std::fabs(offsetMs) > 3.0e13)
        return std::nullopt;
    return std::chrono::time_point_cast<std::chrono::milliseconds>(anchor.wall).time_since_epoch().count() +
           static_cast<std::int64_t>(std::floor(offsetMs));
}

// The local calendar time of a reading and its milliseconds; false for a
// reading no clock gave.
bool LocalTimeOf(double pcMilliSecs, std::tm& local, int& milliseconds)
{
    const std::optional<std::int64_t> wallMs = WallMillisecondsOf(pcMilliSecs);
    if (!wallMs)
        return false;
    long long seconds = *wallMs / 1000;
    long long millis = *wallMs % 1000;
    if (millis < 0) {
        millis += 1000;
        seconds -= 1;
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    milliseconds = static_cast<int>(millis);
    return localtime_r(&t, &local) != nullptr;
}

} // namespace

double CTickwarden::GetPCMilliSecs()
{
    Anchor();
    return SteadyMs(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(double pcMilliSecs, SYSTEMTIME& time)
{
    std::tm local{};
    int milliseconds = 0;
    if (!LocalTimeOf(pcMilliSecs, local, milliseconds))
        return false;
    time.wYear = static_cast<std::uint16_t>(local.tm_year + 1900);
    time.wMonth = static_cast<std::uint16_t>(local.tm_mon + 1);
    time.wDayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
    time.wDay = static_cast<std::uint16_t>(local.tm_mday);
    time.wHour = static_cast<std::uint16_t>(local.tm_hour);
    time.wMinute = static_cast<std::uint16_t>(local.tm_min);
    time.wSecond = static_cast<std::uint16_t>(local.tm_sec);
    time.wMilliseconds = static_cast<std::uint16_t>(milliseconds);
    return true;
}

std::string CTickwarden::AdjustedPCMilliSecsToIsoText(double pcMilliSecs)
{
    const std::optional<std::int64_t> wallMs = WallMillisecondsOf(pcMilliSecs);
    return wallMs ? CWallTime::InLocalZone(*wallMs).IsoText() : std::string();
}
