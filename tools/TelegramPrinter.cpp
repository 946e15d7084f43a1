#include "tools/TelegramPrinter.h"

#include "tools/BriefLinePrinter.h"
#include "tools/JsonLinePrinter.h"
#include "tools/ReportPrinter.h"

std::unique_ptr<CTelegramPrinter> MakeTelegramPrinter(TelegramPrintStyle style, const char* formatName)
{
    switch (style) {
    case TelegramPrintStyle::Brief: return std::make_unique<CBriefLinePrinter>();
    case TelegramPrintStyle::Json: return std::make_unique<CJsonLinePrinter>(formatName);
    case TelegramPrintStyle::Report: break;
    }
    return std::make_unique<CReportPrinter>();
}
