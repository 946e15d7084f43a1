#include "acquisition/DecodedTelegram.h"

#include "clock/Tickwarden.h"
#include "decoders/ContentFraming.h"
#include "decoders/FormatDecoder.h"

namespace {

// What the report says when a decoder faulted on a telegram; every line
// feed becomes a line of the report.
const char* const kDecodeFaultMessage =
    "\nDecode of telegram caused internal error.\n\nUse the 'Hex Window' to view received data\n";

void AppendLines(CReportBuilder& report, const std::string& text)
{
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        if (end > start)
            report.AppendText(text.substr(start, end - start));
        report.NewLine();
        start = end + 1;
    }
    if (start < text.size())
        report.AppendText(text.substr(start));
}

} // namespace

CSharedTelegram DecodeRead(CFormatDecoder* decoder, std::string raw, double receiveTime,
                           const CTelegramFramer* silenceFramer)
{
    auto telegram = std::make_shared<CDecodedTelegram>();
    telegram->raw = std::move(raw);
    telegram->index.receiveTime = receiveTime;
    CReportBuilder report;
    if (decoder) {
        try {
            decoder->CountTelegram();
            decoder->WriteRaw(telegram->raw);
            decoder->Decode(telegram->raw, report, receiveTime, telegram->index);
        } catch (...) {
            AppendLines(report, kDecodeFaultMessage);
        }
        telegram->record = decoder->TakeRecord();
    }
    telegram->report = report.GetDocument();
    // Whether the decoder failed it or passed it on its first telegram (a
    // line format checks only the line end, some binary ones their first
    // telegram's layout), a read holding several telegrams showed but one.
    if (silenceFramer)
        telegram->holdsSeveralTelegrams = CContentFraming::CountTelegrams(*silenceFramer, telegram->raw) >= 2;
    return telegram;
}

CSharedTelegram DecodeRecordedRead(CFormatDecoder* decoder, std::string raw, const CWallTime& recorded)
{
    if (decoder)
        decoder->SetRecordedTime(recorded);
    CSharedTelegram decoded = DecodeRead(decoder, std::move(raw), recorded.ClockReading());
    if (decoder)
        decoder->SetRecordedTime(std::nullopt);
    auto telegram = std::const_pointer_cast<CDecodedTelegram>(decoded);
    telegram->recorded = recorded;
    return telegram;
}

std::string CDecodedTelegram::IsoTimeText() const
{
    return recorded ? recorded->IsoText() : CTickwarden::AdjustedPCMilliSecsToIsoText(ReceiveTime());
}

std::string CDecodedTelegram::TimeOfDayText() const
{
    return recorded ? CFormatDecoder::TimeText(recorded->LocalTime()) : CFormatDecoder::TimeText(ReceiveTime());
}
