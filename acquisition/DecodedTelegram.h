#pragma once
#include <memory>
#include <optional>
#include <string>

#include "clock/WallTime.h"

#include "decoders/TelegramIndex.h"
#include "decoders/TelegramRecord.h"
#include "decoders/TelegramStatus.h"

class CFormatDecoder;
class CTelegramFramer;

// One read of the line, decoded: everything a receiver is told of it. The
// reader thread builds it once and hands the same value, never a copy, to
// every receiver it reaches, on whatever thread they take it.
struct CDecodedTelegram {
    std::string raw;         // the bytes of the read (none when it timed out)
    std::string report;      // the report as rich text
    CTelegramIndex index;    // its transponder, vessel or array, its receive time and its index text
    CTelegramRecord record;  // the telegram as data, with its receive status
    // A read framed by silence that holds two or more whole telegrams,
    // judged as one (failed, or passed on its first): framing by content
    // would have parted them.
    bool holdsSeveralTelegrams = false;
    // A replayed read: when it was recorded, at the offset from UTC then in
    // force. Its receive time is then recorded->ClockReading(). Absent for a
    // read of the line.
    std::optional<CWallTime> recorded = std::nullopt;

    // When the read ended, in clock milliseconds.
    double ReceiveTime() const { return index.receiveTime; }
    TelegramStatus Status() const { return record.status; }
    // What the display filter examines: "" when the report names no index.
    const std::string& IndexText() const { return index.IndexText(); }
    // When it was received, or recorded, in ISO 8601 with milliseconds and
    // the offset from UTC: "2026-12-09T14:03:07.125+01:00" ("" for a receive
    // time no clock gave).
    std::string IsoTimeText() const;
    // ... as the time of day of the CSV log's Time column: "14:03:07.125".
    std::string TimeOfDayText() const;
};

using CSharedTelegram = std::shared_ptr<const CDecodedTelegram>;

// Decodes one read with decoder, as the line's telegrams are decoded: the
// telegram is counted, its bytes go to the raw log and its row to the CSV
// log, and its report and record are made. A decoder that faults leaves a
// report that says so; without a decoder the report is empty. With the
// format's framer, a read (framed by silence) is looked into for the whole
// telegrams it holds.
CSharedTelegram DecodeRead(CFormatDecoder* decoder, std::string raw, double receiveTime,
                           const CTelegramFramer* silenceFramer = nullptr);
// Decodes a recorded read in the same way, as received at recorded: its
// CSV row, its report and every printed time carry the recorded time, and
// its receive time is recorded.ClockReading().
CSharedTelegram DecodeRecordedRead(CFormatDecoder* decoder, std::string raw, const CWallTime& recorded);
