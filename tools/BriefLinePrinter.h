#pragma once
#include "tools/TelegramPrinter.h"

// Prints a telegram as one line of tab-separated cells:
//
//   receive time   telegram number   verdict word   type text   index text
//   [frame  x  y  z]
//
// The time as in the CSV log's Time column (HH:MM:SS.mmm); the verdict
// ("OK", the status word of a failed read, "CHECKSUM MISMATCH" or "LENGTH
// MISMATCH"), so a telegram that disagrees never reads as OK; "-" for a
// telegram without an index; the position's four cells (metres, two
// decimals, z positive down) only when the telegram carries one. Text taken
// from the telegram shows its control characters as '?', so received bytes
// can neither break the line nor steer the terminal.
class CBriefLinePrinter : public CTelegramPrinter {
public:
    std::string Text(const CDecodedTelegram& telegram) const override;
    std::string GapText(const std::string& line) const override { return line; }
};
