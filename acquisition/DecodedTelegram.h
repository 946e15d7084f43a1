#pragma once
#include <memory>
#include <string>

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

    // When the read ended, in clock milliseconds.
    double ReceiveTime() const { return index.receiveTime; }
    TelegramStatus Status() const { return record.status; }
    // What the display filter examines: "" when the report names no index.
    const std::string& IndexText() const { return index.IndexText(); }
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
