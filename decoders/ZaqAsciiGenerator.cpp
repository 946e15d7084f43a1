#include "decoders/ZaqAsciiGenerator.h"

#include <cmath>
#include <iterator>

#include "clock/Tickwarden.h"
#include "decoders/ZaqAsciiLayout.h"

namespace {

namespace Layout = ZaqAsciiLayout;

constexpr int kBeaconsInTurn[] = {1, 4, 12, Layout::kShipBeacon};
constexpr int kBeaconWithRiser = 12;
constexpr unsigned kRiserTurn = 2;  // where kBeaconWithRiser comes in kBeaconsInTurn
constexpr unsigned kShipTurn = 3;
constexpr double kSecondsPerTelegram = 0.5;

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

struct CPosition {
    double x, y, depth;
};

// Beacons circle their own spots; the ship drifts slowly north-east.
CPosition PositionOf(int beacon, double seconds)
{
    if (beacon == Layout::kShipBeacon)
        return {456789.0 + 0.3 * seconds, 6543210.0 + 0.2 * seconds, 5.0 + 0.1 * std::sin(0.3 * seconds)};
    const double angle = 0.05 * seconds + beacon;
    return {40.0 * beacon + 10.0 * std::cos(angle), -25.0 * beacon + 10.0 * std::sin(angle),
            150.0 + 5.0 * beacon + 0.4 * std::sin(0.2 * seconds)};
}

// A blank, the tag and its number.
void AddTagged(std::string& telegram, char tag, const std::string& number)
{
    telegram += Layout::kFieldSeparator;
    telegram += tag;
    telegram += Layout::kTagMark;
    telegram += number;
}

std::string Position(double metres)
{
    return Printed("%7.1f", metres);
}

std::string Angle(double degrees)
{
    return Printed("%5.1f", degrees);
}

// The clock's date and time, "08 Dec 26 14:03:27".
std::string DateTime()
{
    SYSTEMTIME now;
    CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(CTickwarden::GetPCMilliSecs(), now);
    const char* month = now.wMonth >= 1 && now.wMonth <= 12 ? kMonths[now.wMonth - 1] : "Jan";
    return Printed("%02d %s %02d %02d:%02d:%02d", now.wDay, month, now.wYear % 100, now.wHour, now.wMinute,
                   now.wSecond);
}

} // namespace

std::vector<CGeneratedKind> CZaqAsciiGenerator::MessageKinds() const
{
    static_assert(kBeaconsInTurn[kRiserTurn] == kBeaconWithRiser && kBeaconsInTurn[kShipTurn] == Layout::kShipBeacon);
    return {{"Beacon", kRiserTurn}, {"Ship", kShipTurn}};
}

std::string CZaqAsciiGenerator::Next()
{
    const int beacon = kBeaconsInTurn[sequence % std::size(kBeaconsInTurn)];
    const double seconds = sequence * kSecondsPerTelegram;
    ++sequence;

    std::string telegram = DateTime();
    AddTagged(telegram, Layout::kBeaconTag, std::to_string(beacon));
    const CPosition at = PositionOf(beacon, seconds);
    AddTagged(telegram, Layout::kXTag, Position(at.x));
    AddTagged(telegram, Layout::kYTag, Position(at.y));
    AddTagged(telegram, Layout::kDepthTag, Position(at.depth));
    AddTagged(telegram, Layout::kPitchTag, Angle(2.0 * std::sin(0.7 * seconds)));
    AddTagged(telegram, Layout::kRollTag, Angle(3.0 * std::sin(0.5 * seconds)));
    AddTagged(telegram, Layout::kHeadingTag, Angle(std::fmod(270.0 + 0.5 * seconds, 360.0)));
    if (beacon == kBeaconWithRiser) {
        AddTagged(telegram, Layout::kRiserPitchTag, Angle(1.5 * std::sin(0.1 * seconds)));
        AddTagged(telegram, Layout::kRiserRollTag, Angle(-0.8 * std::cos(0.1 * seconds)));
    }
    AddTagged(telegram, Layout::kErrorTag, std::to_string(Layout::kNoError));
    telegram += Layout::kLineEnd;
    return telegram;
}
