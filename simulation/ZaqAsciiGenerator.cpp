#include "simulation/ZaqAsciiGenerator.h"

#include <cmath>
#include <cstdio>
#include <iterator>

#include "clock/Tickwarden.h"

namespace {

constexpr int kBeaconsInTurn[] = {1, 4, 12, 0};
constexpr int kBeaconWithRiser = 12;
constexpr double kSecondsPerTelegram = 0.5;

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct CPosition {
    double x, y, depth;
};

// Beacons circle their own spots; the ship drifts slowly north-east.
CPosition PositionOf(int beacon, double seconds)
{
    if (beacon == 0)
        return {456789.0 + 0.3 * seconds, 6543210.0 + 0.2 * seconds, 5.0 + 0.1 * std::sin(0.3 * seconds)};
    const double angle = 0.05 * seconds + beacon;
    return {40.0 * beacon + 10.0 * std::cos(angle), -25.0 * beacon + 10.0 * std::sin(angle),
            150.0 + 5.0 * beacon + 0.4 * std::sin(0.2 * seconds)};
}

} // namespace

std::string CZaqAsciiGenerator::Next()
{
    const int beacon = kBeaconsInTurn[sequence % std::size(kBeaconsInTurn)];
    const double seconds = sequence * kSecondsPerTelegram;
    ++sequence;

    SYSTEMTIME now;
    CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(CTickwarden::GetPCMilliSecs(), now);
    const char* month = now.wMonth >= 1 && now.wMonth <= 12 ? kMonths[now.wMonth - 1] : "Jan";

    char riser[32] = "";
    if (beacon == kBeaconWithRiser)
        std::snprintf(riser, sizeof riser, " A:%5.1f C:%5.1f", 1.5 * std::sin(0.1 * seconds),
                      -0.8 * std::cos(0.1 * seconds));
    const CPosition at = PositionOf(beacon, seconds);
    char telegram[200];
    const int length = std::snprintf(
        telegram, sizeof telegram,
        "%02d %s %02d %02d:%02d:%02d B:%d X:%7.1f Y:%7.1f D:%7.1f P:%5.1f R:%5.1f H:%5.1f%s E:0\r\n", now.wDay,
        month, now.wYear % 100, now.wHour, now.wMinute, now.wSecond, beacon, at.x, at.y, at.depth,
        2.0 * std::sin(0.7 * seconds), 3.0 * std::sin(0.5 * seconds), std::fmod(270.0 + 0.5 * seconds, 360.0),
        riser);
    return std::string(telegram, static_cast<std::size_t>(length));
}
