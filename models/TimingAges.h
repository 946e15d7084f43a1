#pragma once
// How long each index (transponder, vessel or array) has been silent,
// against the position timeout: one row per index in the order of its
// first telegram, with the time of its latest one, and whether it has been
// silent for longer than the timeout at any time since the last Reset. What
// the timing window draws; the position plot fades its fixes by the same
// timeout. The time the user keeps the port closed is no silence of an
// index: it counts in no age. Not thread-safe: one thread adds and reads.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "decoders/TelegramIndex.h"

struct CTimingRow {
    int kind = 0;
    std::string text;
    double receiveTime = 0.0;  // of its latest telegram, clock milliseconds
    // Silent for longer than the timeout before its latest telegram came, or
    // when the timeout changed.
    bool wasStale = false;
};

class CTimingAges {
public:
    static constexpr double kDefaultPositionTimeout = 5.0;
    // A line that names ever new indexes costs no more than this many rows;
    // later indexes are not tracked (only the first rows are ever shown).
    static constexpr std::size_t kMaxIndexes = 1000;

    // Renews the row of the telegram's index, or adds one; a telegram whose
    // decoder identified no index is left out. Any read ends a suspension.
    void Add(const CTelegramIndex& index);
    // The user closed the port at clock time at: until Resume, ages stand
    // as they were then.
    void Suspend(double at);
    // The line is open or failed of itself at clock time at: ages run
    // again, without the time since Suspend.
    void Resume(double at);
    // Forgets every index and whether it was silent; the timeout stays.
    void Reset();
    // As new: no index, and the default timeout; a port the user closed
    // stays closed.
    void Restart();

    // In the order of their first telegram.
    const std::vector<CTimingRow>& Rows() const { return rows; }
    // Seconds since the row's latest telegram, at clock time now, without
    // the time the port was closed by the user.
    double AgeSeconds(const CTimingRow& row, double now) const;
    // Whether the row's index has been silent for longer than the timeout
    // at any time since the last Reset, up to clock time now. An age equal
    // to the timeout is not too old.
    bool IsStale(const CTimingRow& row, double now) const;
    // Whether what was received at receiveTime is older than the timeout at
    // clock time now.
    bool IsOlderThanTimeout(double receiveTime, double now) const;

    double PositionTimeout() const { return positionTimeout; }
    // The new timeout applies from clock time now on: an index already
    // silent for longer than the old one stays stale.
    void SetPositionTimeout(double seconds, double now);

private:
    // Clock time now as ages see it: at most the time the port was closed.
    double AgesNow(double now) const;

    std::vector<CTimingRow> rows;
    std::optional<double> suspendedAt;
    double positionTimeout = kDefaultPositionTimeout;
};
