#include "decoders/FormatDecoder.h"

#include <cmath>
#include <cstdarg>
#include <mutex>
#include <typeindex>
#include <unordered_map>
#include <utility>

#include "clock/Tickwarden.h"
#include "decoders/CsvCell.h"

namespace {

// Each decoder class keeps one previous row time for its Tdiff column, for
// the life of the program and across log files and decoder instances.
double& PreviousRowTime(const std::type_index& decoderClass, std::unique_lock<std::mutex>& lock)
{
    static std::mutex guard;
    static std::unordered_map<std::type_index, double> previous;
    lock = std::unique_lock<std::mutex>(guard);
    return previous[decoderClass];
}

} // namespace

CFormatDecoder::CFormatDecoder(RowShape rowShape) : shape(rowShape) {}

CFormatDecoder::~CFormatDecoder()
{
    CloseLogs();
}

TelegramStatus CFormatDecoder::Validate(const CByteView&)
{
    return kStatusTimedOut;
}

void CFormatDecoder::Decode(const std::string& raw, CReportBuilder& builder, double& receiveTime,
                            CTelegramIndex& index)
{
    report = &builder;
    const CByteView telegram(raw);
    const TelegramStatus status = Validate(telegram);
    const int byteCount = static_cast<int>(raw.size());
    record = {};
    record.number = count;
    record.bytes = byteCount;
    record.status = status;
    if (shape == RowShape::AroundDecode && IsCsvOpen())
        WriteRowPrefix(receiveTime, byteCount, status);
    if (status != kStatusOk)
        ReportError(status, byteCount);
    else
        DecodeFields(telegram, index);
    if (IsCsvOpen()) {
        if (shape == RowShape::AfterDecode) {
            WriteRowPrefix(receiveTime, byteCount, status);
            WriteCsvColumns(telegram, status);
        } else {
            CsvText("\n");
        }
    }
    logs.Flush();
}

CTelegramRecord CFormatDecoder::TakeRecord()
{
    return std::exchange(record, CTelegramRecord{});
}

void CFormatDecoder::SetPosition(CPositionFrame frame, double x, double y, double z, bool fixGood)
{
    if (std::isfinite(x) && std::isfinite(y) && std::isfinite(z))
        record.position = CTelegramPosition{frame, x, y, z, fixGood};
    else
        record.position.reset();
}

void CFormatDecoder::SetChecks(std::optional<bool> checksumAgrees, std::optional<bool> lengthAgrees)
{
    record.checksumAgrees = checksumAgrees;
    record.lengthAgrees = lengthAgrees;
}

void CFormatDecoder::WriteCsvColumns(const CByteView&, TelegramStatus)
{
    CsvText("\n");
}

void CFormatDecoder::WriteRaw(const std::string& raw)
{
    if (!raw.empty())
        logs.WriteRaw(raw);
}

CLogOpenResult CFormatDecoder::OpenLogs(const std::string& csvPath, LogMode mode)
{
    CloseLogs();
    const CLogOpenResult result = logs.Open(csvPath, mode);
    if (!result.Ok())
        return result;
    if (mode == LogMode::Restart) {
        WriteCsvHeader();
        logs.Flush();
    } else {
        headerPending = true;
    }
    return result;
}

void CFormatDecoder::CloseLogs()
{
    logs.Close();
    headerPending = false;
}

std::string CFormatDecoder::TimeText(double receiveTime)
{
    SYSTEMTIME time{};
    CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(receiveTime, time);
    return TimeText(time);
}

std::string CFormatDecoder::TimeText(const SYSTEMTIME& time)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", time.wHour, time.wMinute, time.wSecond,
                  time.wMilliseconds);
    return text;
}

double CFormatDecoder::TakeTdiffSeconds(double receiveTime)
{
    std::unique_lock<std::mutex> lock;
    double& previous = PreviousRowTime(typeid(*this), lock);
    if (previous == 0.0)
        previous = receiveTime;
    const double seconds = (receiveTime - previous) * 0.001;
    previous = receiveTime;
    return seconds;
}

void CFormatDecoder::WriteRowPrefix(double receiveTime, int byteCount, TelegramStatus status)
{
    if (headerPending) {
        headerPending = false;
        WriteCsvHeader();
    }
    const std::string time = recordedTime ? TimeText(recordedTime->LocalTime()) : TimeText(receiveTime);
    const double tdiff = TakeTdiffSeconds(receiveTime);
    if (shape == RowShape::AfterDecode)
        Csv("%s,%5.2lf,%d,%s,", time.c_str(), tdiff, count % 256, StatusText(status));
    else
        Csv("%s,%5.2lf,%d,%s", time.c_str(), tdiff, byteCount, StatusText(status));
}

void CFormatDecoder::ReportHeader(const char* typeName, int byteCount)
{
    record.typeText = typeName;
    report->Append("Telegram type   : %s", typeName);
    report->NewLine();
    report->Append("Telegram number : %d", count);
    report->NewLine();
    report->Append("Number of bytes : %d", byteCount);
    report->NewLine();
    report->NewLine();
}

void CFormatDecoder::ReportError(int code, int byteCount)
{
    ReportHeader(StatusText(code), byteCount);
}

namespace {
void WriteHeading(CReportBuilder& report, const char* text)
{
    report.UnderlineOn();
    report.BoldOn();
    report.Append("%s%40s", text, "");
    report.UnderlineOff();
    report.BoldOff();
    report.NewLine();
}
} // namespace

void CFormatDecoder::WriteHexHeading()
{
    WriteHeading(*report, "Tgram field    Hex        Interpretation");
}

void CFormatDecoder::WriteAsciiHeading()
{
    WriteHeading(*report, "Tgram field    ASCII         Interpretation");
}

namespace {
// Where a hex table's interpretation column begins.
constexpr std::string_view kInterpretationIndent = "                          ";
} // namespace

void CFormatDecoder::WriteLine(std::string_view label, std::string_view raw, std::string_view calculated,
                               std::string_view interpretation, std::string_view continuation)
{
    report->AppendText(label);
    report->AppendAsciiText(raw);
    if (!calculated.empty())
        report->AppendAsciiText(calculated);
    report->AppendText(interpretation);
    if (!continuation.empty()) {
        report->NewLine();
        report->AppendText(kInterpretationIndent);
        report->AppendText(continuation);
    }
    report->NewLine();
}

void CFormatDecoder::FieldLine(std::string_view label, std::string_view raw, std::string_view interpretation)
{
    WriteLine(label, raw, {}, interpretation);
    record.fields.Add(label, raw, interpretation);
}

void CFormatDecoder::FieldLines(std::string_view label, std::string_view raw, std::string_view interpretation,
                                std::string_view continuation)
{
    WriteLine(label, raw, {}, interpretation, continuation);
    record.fields.Add(label, raw, interpretation);
    record.fields.Continue(continuation);
}

void CFormatDecoder::FieldLineWithCalculated(std::string_view label, std::string_view raw,
                                             std::string_view calculated, std::string_view interpretation)
{
    WriteLine(label, raw, calculated, interpretation);
    std::string text(calculated);
    text += interpretation;
    record.fields.Add(label, raw, text);
}

void CFormatDecoder::EmptyFieldLine(std::string_view label, std::string_view meaning)
{
    report->AppendText(label);
    report->AppendText(meaning);
    report->NewLine();
}

void CFormatDecoder::HexLine(const char* label, const CByteView& bytes, std::size_t offset,
                             std::size_t length, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string interpretation = CReportBuilder::FormatV(format, args);
    va_end(args);
    FieldLine(label, HexColumn(bytes, offset, length), interpretation);
}

std::string CFormatDecoder::HexColumn(const CByteView& bytes, std::size_t offset, std::size_t length,
                                      std::size_t width)
{
    return bytes.Hex(offset, length, width);
}

std::string CFormatDecoder::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = CReportBuilder::FormatV(format, args);
    va_end(args);
    return text;
}

void CFormatDecoder::AppendFlag(std::string& text, bool set, const char* whenSet, const char* whenClear)
{
    const char* flag = set ? whenSet : whenClear;
    if (flag)
        text += flag;
}

void CFormatDecoder::Csv(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    logs.PrintCsv(format, args);
    va_end(args);
}

void CFormatDecoder::CsvText(std::string_view text)
{
    logs.WriteCsv(text);
}

void CFormatDecoder::CsvCell(std::string_view text)
{
    logs.WriteCsv(CCsvCell::FromReceived(text));
}
