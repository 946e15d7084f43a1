#pragma once
#include "tools/TelegramPrinter.h"

// Prints a telegram as one line of tab-separated cells:
//
//   receive time   telegram number   status word   type text   index text
//   [frame  x  y  z]
//
// The time as in the CSV log's Time column (HH:MM:SS.mmm); "-" for a
// telegram without an index; the position's four cells (metres, two
// decimals, z positive down) only when the telegram carries one. Text taken
// from the telegram shows its control characters as '?', so received bytes
// can neither break the line nor steer the terminal.
class CBriefLinePrinter : public CTelegramPrinter {
public:
    std::string Text(const CDecodedTelegram& telegram) const override;
    std::string GapText(const std::string& line) const override { return line; }
};
