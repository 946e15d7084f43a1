#pragma once
#include <memory>
#include <string>

#include "acquisition/DecodedTelegram.h"

// How decode and monitor print one telegram: its report, one line, or one
// JSON object. A printer reads everything the hand-off carries and keeps
// nothing, so one printer serves every telegram of a run.
class CTelegramPrinter {
public:
    virtual ~CTelegramPrinter() = default;

    // The text of one telegram, ending in a line end.
    virtual std::string Text(const CDecodedTelegram& telegram) const = 0;

    // How line (which says how many telegrams a terminal that did not keep
    // up was not given) stands among the telegrams; empty where no such
    // line may stand there (JSON lines are read line by line).
    virtual std::string GapText(const std::string& line) const = 0;
};

enum class TelegramPrintStyle {
    Report,  // the report as plain text and an empty line
    Brief,   // one tab-separated line
    Json     // one JSON object a line
};

// formatName: the selected format's name ("HPR 418F"), or null for a type
// code without a format.
std::unique_ptr<CTelegramPrinter> MakeTelegramPrinter(TelegramPrintStyle style, const char* formatName);
