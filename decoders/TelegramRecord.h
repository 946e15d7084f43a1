#pragma once
#include <optional>
#include <string>
#include <vector>

#include "decoders/TelegramFields.h"
#include "decoders/TelegramStatus.h"
#include "decoders/TelegramVerdict.h"

// How a position's x and y are oriented.
enum class CPositionFrame {
    Vessel,      // x starboard, y forward, from the ship's reference point
    North,       // x east, y north, from the ship's reference point
    Grid,        // x easting, y northing in a local or UTM grid
    Unspecified  // cartesian, but the telegram does not say how it is turned
};

// The frame's name in structured output: "vessel", "north", "grid", "unspecified".
const char* FrameName(CPositionFrame frame);

// Where a telegram puts its transponder (or the vessel), in metres; z is
// depth, positive down.
struct CTelegramPosition {
    CPositionFrame frame = CPositionFrame::Unspecified;
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    // False when the telegram itself says the fix is not good: a bad or
    // rejected fix, no reply, simulated or test data.
    bool valid = true;
};

// One decoded telegram as data, beside its report: what the plot, the
// statistics and the command-line tool's one-line and JSON output read.
struct CTelegramRecord {
    std::string typeText;  // the report's type line: the telegram's type, or the status word of a failed one
    int number = 0;        // the telegram number of the report
    int bytes = 0;         // how many bytes the read delivered
    TelegramStatus status = kStatusTimedOut;
    CTelegramFields fields;  // every field line of the report, in order
    std::optional<CTelegramPosition> position;
    // Whether the received checksum agrees with the calculated one, and
    // whether the bytes received are as many as the telegram states or its
    // layout fixes; none where the format carries no such check or the
    // telegram failed.
    std::optional<bool> checksumAgrees;
    std::optional<bool> lengthAgrees;

    bool Decoded() const { return status == kStatusOk; }
    // Good, or what failed first: the status, the checksum, the length.
    CTelegramVerdict Verdict() const { return CTelegramVerdict::Of(status, checksumAgrees, lengthAgrees); }
};
