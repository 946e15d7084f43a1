#pragma once
#include <string>
#include <string_view>

#include "clock/WallTime.h"
#include "decoders/ByteView.h"
#include "decoders/LogFiles.h"
#include "decoders/TelegramIndex.h"
#include "decoders/TelegramRecord.h"
#include "decoders/TelegramStatus.h"
#include "report/ReportBuilder.h"

// The base of every telegram format decoder and its contract with the
// acquisition controller. For every read the controller calls, in this
// order, CountTelegram, WriteRaw and Decode. A format supplies Validate,
// the decoding of its fields and its CSV header rows and columns; the base
// fixes the report header, the table headings, the field-line layout, the
// two logs and the columns that begin every CSV row.
class CFormatDecoder {
public:
    // How a format writes its CSV row.
    enum class RowShape {
        AfterDecode,   // validate, report, then one whole row, whatever the status
        AroundDecode   // prefix, report and columns section by section, then the line end
    };

    explicit CFormatDecoder(RowShape shape);
    virtual ~CFormatDecoder();
    CFormatDecoder(const CFormatDecoder&) = delete;
    CFormatDecoder& operator=(const CFormatDecoder&) = delete;

    // Decodes one telegram into report and index, and writes its CSV row.
    virtual void Decode(const std::string& raw, CReportBuilder& report, double& receiveTime,
                        CTelegramIndex& index);
    void CountTelegram() { ++count; }
    virtual void WriteCsvHeader() = 0;
    virtual TelegramStatus Validate(const CByteView& telegram);

    // Appends the telegram's bytes, unchanged, to the raw log.
    void WriteRaw(const std::string& raw);

    // Restart empties both files and writes the header rows at once;
    // Continue appends to both, with the header rows before this decoder's
    // first row. Nothing is emptied unless both files open.
    using LogMode = CLogFiles::Mode;
    CLogOpenResult OpenLogs(const std::string& csvPath, LogMode mode = LogMode::Restart);
    void CloseLogs();
    bool IsLogging() const { return logs.IsOpen(); }

    // The first failure to write, sync or close the logs since they were
    // last opened, if any.
    bool HasLogWriteError() const { return logs.HasError(); }
    std::string GetLogWriteError() const { return logs.GetError(); }
    // What makes the logs reach the disk, for the logs opened afterwards.
    void SetDiskSyncer(DiskSyncer syncer) { logs.SetDiskSyncer(std::move(syncer)); }

    int GetCount() const { return count; }
    // A replay numbers its telegrams as they were numbered when recorded:
    // the next telegram counted gets number + 1.
    void SetCount(int number) { count = number; }
    // A replay's CSV rows carry the time each read was recorded at; nullopt
    // (the default): the time of day of the receive time.
    void SetRecordedTime(std::optional<CWallTime> time) { recordedTime = time; }

    // The telegram Decode handled last, as data: its type text, number,
    // byte count, status, field lines, position and checks. TakeRecord
    // hands it over and leaves an empty one.
    const CTelegramRecord& Record() const { return record; }
    CTelegramRecord TakeRecord();

    static std::string RawPathFor(const std::string& csvPath) { return CLogFiles::RawPathFor(csvPath); }
    static std::string TimeText(double receiveTime);
    static std::string TimeText(const SYSTEMTIME& time);

protected:
    // Format hooks. DecodeFields runs for a telegram whose status is OK and
    // begins with ReportHeader and a table heading. WriteCsvColumns is the
    // body of a row-after-decode format's row, called after the prefix.
    virtual void DecodeFields(const CByteView& telegram, CTelegramIndex& index) = 0;
    virtual void WriteCsvColumns(const CByteView& telegram, TelegramStatus status);

    // Report shapes.
    void ReportHeader(const char* typeName, int byteCount);
    void ReportError(int code, int byteCount);
    void WriteHexHeading();
    void WriteAsciiHeading();

    // Field lines. One call writes a field's line to the report and the
    // field to the record: the label column (15 characters wide; labels come
    // padded), the raw column in colour 1, the interpretation, the line break.
    void FieldLine(std::string_view label, std::string_view raw, std::string_view interpretation);
    // ... whose interpretation runs on to a line of its own, indented to the
    // interpretation column; the record joins the two with a blank.
    void FieldLines(std::string_view label, std::string_view raw, std::string_view interpretation,
                    std::string_view continuation);
    // ... whose interpretation begins with a value worked out from the
    // telegram, in colour 1 beside the received one (a calculated sum).
    void FieldLineWithCalculated(std::string_view label, std::string_view raw, std::string_view calculated,
                                 std::string_view interpretation);
    // The line of a field the telegram left empty: its label and what that
    // means, without a raw column. The record holds the fields received: it
    // gets none.
    void EmptyFieldLine(std::string_view label, std::string_view meaning);
    // A field line whose raw column is the bytes in hex, interpreted printf-style.
    void HexLine(const char* label, const CByteView& bytes, std::size_t offset, std::size_t length,
                 const char* format, ...) VANTREL_PRINTF(6, 7);

    // The raw column of a binary field: its bytes as two upper-case hex
    // digits each, padded with blanks to width.
    static std::string HexColumn(const CByteView& bytes, std::size_t offset, std::size_t length,
                                 std::size_t width = 11);
    // printf-style text of any length.
    static std::string Format(const char* format, ...) VANTREL_PRINTF(1, 2);
    // Appends whenSet or whenClear (when given) by one bit flag.
    static void AppendFlag(std::string& text, bool set, const char* whenSet, const char* whenClear = nullptr);

    // The telegram's position for its record, in metres (z positive down),
    // and whether the telegram's own status words call the fix good; a
    // value that is not finite leaves the record without one.
    void SetPosition(CPositionFrame frame, double x, double y, double z, bool fixGood);
    // Whether the telegram's checksum and length agree with what it should
    // carry; nullopt where the format has no such check.
    void SetChecks(std::optional<bool> checksumAgrees, std::optional<bool> lengthAgrees);

    // CSV output; silent when no CSV log is open.
    bool IsCsvOpen() const { return logs.IsOpen(); }
    void Csv(const char* format, ...) VANTREL_PRINTF(2, 3);
    // Text of the decoder's own making: separators, numbers, words.
    void CsvText(std::string_view text);
    // One column of received text, as CCsvCell::FromReceived writes it: a
    // CSV reader keeps it in one column, a spreadsheet takes it as text and
    // a terminal shows it, whatever the bytes.
    void CsvCell(std::string_view text);

    CReportBuilder* report = nullptr;
    int count = 0;

private:
    void WriteLine(std::string_view label, std::string_view raw, std::string_view calculated,
                   std::string_view interpretation, std::string_view continuation = {});
    void WriteRowPrefix(double receiveTime, int byteCount, TelegramStatus status);
    double TakeTdiffSeconds(double receiveTime);

    RowShape shape;
    CTelegramRecord record;
    CLogFiles logs;
    bool headerPending = false;
    std::optional<CWallTime> recordedTime;
};
