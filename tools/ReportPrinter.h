#pragma once
#include "tools/TelegramPrinter.h"

// Prints a telegram as its report in plain text followed by an empty line.
// Received characters reach the terminal as UTF-8 (bytes read as Latin-1)
// and control characters as '?', so a telegram can neither steer the
// terminal nor break its lines.
class CReportPrinter : public CTelegramPrinter {
public:
    std::string Text(const CDecodedTelegram& telegram) const override;
    // The line and an empty one, where a report would stand.
    std::string GapText(const std::string& line) const override { return line + "\n"; }
};
