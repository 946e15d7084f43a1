#include "tools/ReportPrinter.h"

#include "report/RtfReader.h"

std::string CReportPrinter::Text(const CReportBuilder& report, const std::string&, const CTelegramIndex&,
                                 const CTelegramRecord&) const
{
    std::string text = CRtfReader::PlainText(report.GetDocument());
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    text += '\n';
    return text;
}
