#pragma once
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "decoders/FormatDecoder.h"
#include "decoders/TelegramFramer.h"
#include "decoders/TelegramGenerator.h"

// Telegram type codes, as stored in the settings and given to --type.
// Codes 5 and every code the table below does not list select no decoder.
enum TelegramTypeCode : int {
    kTypeHpr309 = 0,
    kTypeHpr418D = 1,
    kTypeZaqAscii = 2,
    kTypeHpr418Bcd = 3,
    kTypeNmea = 4,
    kTypeHpr418F = 6,
    kDefaultTelegramType = kTypeHpr418F
};

// One telegram format: what the rest of the system needs to know of it.
// Rows of the table name their columns (.code = ..., .makeDecoder = ...),
// in the order declared here.
struct CFormatEntry {
    int code;
    const char* name;          // shown to the user: "HPR 418F"
    const char* key;           // for file names: fuzz targets and their seeds ("hpr418f")
    bool listedInSettings;     // offered by the settings dialog
    // Every telegram is one line of text with its line end: a datagram that
    // holds several lines holds several telegrams.
    bool lineBased;
    std::unique_ptr<CFormatDecoder> (*makeDecoder)();
    // Plays the positioning system: the simulator, the demo line, the
    // tests and the benchmarks.
    std::unique_ptr<CTelegramGenerator> (*makeGenerator)();
    // Cuts the line's byte stream into telegrams when framing by content.
    std::unique_ptr<CTelegramFramer> (*makeFramer)();
};

// The one table of telegram formats: a format is registered here and
// nowhere else. The settings dialog's list, the command-line help, the
// decoder of the reader thread, the simulator's generator, the fuzz targets
// and the benchmarks all come from it.
class CFormatTable {
public:
    // Every format, in the order the settings dialog lists them.
    static std::span<const CFormatEntry> Formats();
    // The format of a type code, or null for a code without one.
    static const CFormatEntry* Find(int typeCode);
    // The format of a key ("hpr418f"), or null for a key without one.
    static const CFormatEntry* FindByKey(std::string_view key);

    // The decoder for a type code, or null when the code has none.
    static std::unique_ptr<CFormatDecoder> Create(int typeCode);
    // The framer for a type code, or null when the code has no format.
    static std::unique_ptr<CTelegramFramer> CreateFramer(int typeCode);
    // Whether the telegrams of a type code are lines of text (false for a
    // code without a format).
    static bool IsLineBased(int typeCode);
    // The name shown to the user ("HPR 418F"), or null for a code without a format.
    static const char* TypeName(int typeCode);

    // "0 HPR 309, 1 HPR 418D, ..." in the order of the codes: the choices
    // a --type option offers.
    static std::string CodeList();
};
