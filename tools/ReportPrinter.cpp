#include "tools/ReportPrinter.h"

#include "report/RtfReader.h"
#include "tools/TelegramText.h"

std::string CReportPrinter::Text(const CDecodedTelegram& telegram) const
{
    // The lines the window shows.
    const std::string plain = CRtfReader::PlainText(telegram.report, CRtfReader::TextLineEnds::Break);
    std::string text;
    text.reserve(plain.size() + 2);
    for (std::size_t start = 0; start < plain.size();) {
        const std::size_t end = std::min(plain.find('\n', start), plain.size());
        text += TerminalCell(std::string_view(plain).substr(start, end - start));
        if (end < plain.size())
            text += '\n';
        start = end + 1;
    }
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    text += '\n';
    return text;
}
