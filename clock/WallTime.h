#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "clock/Tickwarden.h"

// A moment as the clock on the wall showed it where it was taken: the
// milliseconds since 1970-01-01 UTC and the offset from UTC then in force.
// A recorded session keeps the times of its reads so, and a replay shows
// them in the zone they were recorded in, whatever the zone of the
// machine that replays them.
struct CWallTime {
    std::int64_t utcMilliseconds = 0;
    int utcOffsetMinutes = 0;

    // ISO 8601 with milliseconds and the offset: "2026-12-09T14:03:07.125+01:00".
    std::string IsoText() const;
    // The local date and time of day at the offset.
    SYSTEMTIME LocalTime() const;
    // Seconds since the local midnight, milliseconds included.
    double SecondsOfDay() const;

    // Replayed reads are timed on a time line of their own: a receive time
    // (clock milliseconds, as the models and the CSV Tdiff column take it)
    // that is the UTC milliseconds, so that intervals and ages between
    // recorded reads are their recorded ones.
    double ClockReading() const { return static_cast<double>(utcMilliseconds); }

    // Reads "YYYY-MM-DDTHH:MM:SS[.fff](+HH:MM|-HH:MM|Z)"; nullopt for anything else.
    static std::optional<CWallTime> FromIsoText(std::string_view text);
    // The moment at the offset of the system's time zone then.
    static CWallTime InLocalZone(std::int64_t utcMilliseconds);
    // A local date and time of day of the system's time zone (month 1-12);
    // nullopt where the date is impossible.
    static std::optional<CWallTime> FromLocal(int year, int month, int day, int hour, int minute, int second,
                                              int milliseconds);

    bool operator==(const CWallTime&) const = default;
};
