#include "tools/TerminalReceiver.h"

#include "report/RtfReader.h"
#include "tools/StopSignal.h"

CTerminalReceiver::CTerminalReceiver(std::FILE* output, std::uint64_t telegramLimit, CStopSignal& stopSignal)
    : out(output), limit(telegramLimit), stop(stopSignal)
{
}

void CTerminalReceiver::OnTelegramDecoded(const CReportBuilder& report, const std::string&,
                                          const CTelegramIndex&, const CTelegramRecord&)
{
    // Telegrams the reader hands over after the last wanted one are not shown.
    if (limit != 0 && shown >= limit)
        return;
    std::string text = CRtfReader::PlainText(report.GetDocument());
    if (!text.empty() && text.back() != '\n')
        text += '\n';
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), out);
    std::fflush(out);
    if (++shown == limit)
        stop.Wake();
}

void CTerminalReceiver::OnLogWriteError(const std::string& reason)
{
    logWriteFailed = true;
    std::fprintf(stderr, "vantrel-cli monitor: writing the log failed: %s; logging stopped\n", reason.c_str());
}
