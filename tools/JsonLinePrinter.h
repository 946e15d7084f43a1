#pragma once
#include <string>

#include "tools/TelegramPrinter.h"

// Prints a telegram as one JSON object on one line (JSON Lines), with the keys
//
//   time       ISO 8601 local time of the receive time, with milliseconds
//              and the offset from UTC ("2026-12-09T14:03:07.125+01:00")
//   format     the selected format's name
//   telegram   the report's type text (the status word of a failed read)
//   number, bytes, status (the status word)
//   verdict    "OK" when the status is OK and every check agrees, else the
//              status word, "CHECKSUM MISMATCH" or "LENGTH MISMATCH"
//   index      {kind, text}, or null without an index
//   fields     [{label, raw, text}], every field line of the report
//   position   {frame, x, y, z, valid}: metres, and false in valid when
//              the telegram marks the fix as not good; or null
//   checks     {checksum, length}: true, false or null
//   raw        the received bytes in hex
//
// Received bytes are Latin-1: 0x80 and above are the characters U+0080 to
// U+00FF. The line is plain ASCII whatever the bytes: control and non-ASCII
// characters are written as \u escapes, so it is valid UTF-8 and safe on
// a terminal.
class CJsonLinePrinter : public CTelegramPrinter {
public:
    // formatName: null for a type code without a format.
    explicit CJsonLinePrinter(const char* formatName);

    std::string Text(const CDecodedTelegram& telegram) const override;
    // Nothing may stand among JSON lines: the line goes to standard error.
    std::string GapText(const std::string&) const override { return {}; }

private:
    bool hasFormat;
    std::string formatName;
};
