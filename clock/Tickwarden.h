#pragma once
#include <cstdint>
#include <string>

// Time of day of one clock reading; only hour, minute, second and
// milliseconds are used by the logs.
struct SYSTEMTIME {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

// The one clock of the system: receive times, the Tdiff column, the time
// stamps of the log rows and the ages in the timing window all come from it.
class CTickwarden {
public:
    // Milliseconds of a steady clock, with sub-millisecond resolution.
    static double GetPCMilliSecs();

    // Local time of day at which a reading of GetPCMilliSecs was taken
    // (the wall clock at start-up plus the steady time elapsed since).
    static bool AdjustedPCMilliSecsToSYSTEMTIME(double pcMilliSecs, SYSTEMTIME& time);

    // Local date and time of that reading in ISO 8601, with milliseconds and
    // the offset from UTC then in force: "2026-12-09T14:03:07.125+01:00".
    // Empty for a reading no clock gave.
    static std::string AdjustedPCMilliSecsToIsoText(double pcMilliSecs);
};
