#include "tools/BriefLinePrinter.h"

#include <cstdio>

#include "tools/TelegramText.h"

std::string CBriefLinePrinter::Text(const CDecodedTelegram& telegram) const
{
    const CTelegramIndex& index = telegram.index;
    const CTelegramRecord& record = telegram.record;
    std::string line = telegram.TimeOfDayText();
    line += '\t' + std::to_string(record.number);
    line += '\t';
    line += record.Verdict().Word();
    line += '\t' + TerminalCell(record.typeText);
    line += '\t' + (index.valid ? TerminalCell(index.text) : std::string("-"));
    if (record.position) {
        const CTelegramPosition& position = *record.position;
        char cells[128];
        std::snprintf(cells, sizeof cells, "\t%s\t%.2f\t%.2f\t%.2f", FrameName(position.frame), position.x,
                      position.y, position.z);
        line += cells;
    }
    line += '\n';
    return line;
}
