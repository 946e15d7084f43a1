#include "tools/BriefLinePrinter.h"

#include <cstdio>

#include "decoders/FormatDecoder.h"
#include "tools/TelegramText.h"

std::string CBriefLinePrinter::Text(const CReportBuilder&, const std::string&, const CTelegramIndex& index,
                                    const CTelegramRecord& record) const
{
    std::string line = CFormatDecoder::TimeText(index.receiveTime);
    line += '\t' + std::to_string(record.number);
    line += '\t';
    line += StatusText(record.status);
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
