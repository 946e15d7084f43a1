#include "decoders/ZaqAsciiDecoder.h"

#include <cstdio>

#include "decoders/FloatText.h"
#include "decoders/TextNumber.h"
#include "decoders/ZaqAsciiLayout.h"

namespace {

using CValueLine = CZaqAsciiDecoder::CValueLine;
namespace Layout = ZaqAsciiLayout;

using CPositionLines = CZaqAsciiDecoder::CPositionLines;

// Where the beacon is (beacon telegrams): X and Y coordinates whose
// orientation the telegram does not state, and depth.
const CPositionLines kBeaconPosition = {
    {{
        {"X_pos          ", Layout::kXTag, "Beacon X coordinate position (metres)"},
        {"Y_pos          ", Layout::kYTag, "Beacon Y coordinate position (metres)"},
        {"Z_pos          ", Layout::kDepthTag, "Beacon Depth (metres)"},
    }},
    CPositionFrame::Unspecified,
};
// Where the ship is (ship telegrams): its eastings and northings in the
// grid, and depth.
const CPositionLines kShipPosition = {
    {{
        {"East           ", Layout::kXTag, "Ship's Eastings position (metres)"},
        {"North          ", Layout::kYTag, "Ship's Northings position (metres)"},
        {"Depth          ", Layout::kDepthTag, "Ship's Depth (metres)"},
    }},
    CPositionFrame::Grid,
};
// The ship's attitude, in both kinds of telegram.
const CValueLine kAttitudeLines[] = {
    {"Ship pitch     ", Layout::kPitchTag, "Ship's pitch (degrees)"},
    {"Ship roll      ", Layout::kRollTag, "Ship's roll (degrees)"},
    {"Ship heading   ", Layout::kHeadingTag, "Ship's heading (degrees)"},
};
// The riser angles a beacon may send.
const CValueLine kRiserLines[] = {
    {"Tpdr pitch     ", Layout::kRiserPitchTag, "Riser angle beacon pitch (degrees)"},
    {"Tpdr roll      ", Layout::kRiserRollTag, "Riser angle beacon roll (degrees)"},
};

constexpr std::size_t kNoTag = std::string_view::npos;

// Where the number of the first "L:" before the first CR begins, or kNoTag.
std::size_t FindTag(std::string_view text, char tag)
{
    for (std::size_t i = 0; i + 1 < text.size() && text[i] != Layout::kLineEnd[0]; ++i)
        if (text[i] == tag && text[i + 1] == Layout::kTagMark)
            return i + 2;
    return kNoTag;
}

// The text after the colon of the first "L:" before the first CR; empty
// when there is none.
std::string_view TagValue(std::string_view text, char tag)
{
    const std::size_t at = FindTag(text, tag);
    return at == kNoTag ? std::string_view() : text.substr(at);
}

// The number of a real tag; none when the tag is absent or holds no number.
std::optional<double> RealTag(std::string_view text, char tag)
{
    return CTextNumber::Real(TagValue(text, tag));
}

} // namespace

// Date and time of the position, as read from the start of the telegram;
// items that could not be read stay 0 and the month stays empty.
struct CZaqAsciiDecoder::CDateTime {
    int day = 0;
    char month[4] = {};
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int itemsRead = 0;

    // text must be NUL-terminated: the scan never reads past it.
    explicit CDateTime(const std::string& text)
    {
        const int items = std::sscanf(text.c_str(), "%2d %3s %2d %2d:%2d:%2d", &day, month, &year,
                                      &hour, &minute, &second);
        itemsRead = items < 0 ? 0 : items;
    }
};

TelegramStatus CZaqAsciiDecoder::Validate(const CByteView& telegram)
{
    const TelegramStatus status = CheckLength(telegram);
    if (status != kStatusOk)
        return status;
    const char first = telegram.CharAt(telegram.Size() - 2);
    const char second = telegram.CharAt(telegram.Size() - 1);
    const char cr = Layout::kLineEnd[0];
    const char lf = Layout::kLineEnd[1];
    const bool lineEnd = (first == cr && second == lf) || (first == lf && second == cr);
    return lineEnd ? kStatusOk : kStatusBadData;
}

void CZaqAsciiDecoder::WriteCsvHeader()
{
    CsvText("Time,Tdiff,Count,Status,"
            "Date,Time,Tpdr,X/East,Y/North,Z/Depth,Pitch,Roll,Heading,Error,TP_Pitch,TP_Roll,End_1,End_2\n");
    CsvText("Base ->,secs,10,Text,"
            "Date,Time,10,metre,metre,metre,deg,deg,deg,10,deg,deg,10,10\n");
}

void CZaqAsciiDecoder::DecodeFields(const CByteView& telegram, CTelegramIndex& index)
{
    const std::string_view text = telegram.Text();
    const CDateTime dateTime{std::string(text)};
    if (dateTime.itemsRead < 6)
        report->Append("Error in extracting 6 items from datetime, extracted %d\r\n", dateTime.itemsRead);

    const std::size_t beaconTag = FindTag(text, Layout::kBeaconTag);
    if (beaconTag == kNoTag) {
        report->Append("No index!, ");
        return;
    }
    const int beaconIndex = CTextNumber::Integer(text.substr(beaconTag)).value_or(0);
    const bool isBeacon = beaconIndex != Layout::kShipBeacon;
    WriteTextHeader(isBeacon ? "ZAQ ASCII TPDR" : "ZAQ ASCII SHIP", telegram);

    WriteDateTime(dateTime);
    WriteIndexLine(beaconIndex, index);
    const int errorStatus = CTextNumber::Integer(TagValue(text, Layout::kErrorTag)).value_or(Layout::kNoError);
    WritePosition(text, isBeacon ? kBeaconPosition : kShipPosition, errorStatus == Layout::kNoError);
    WriteValues(text, kAttitudeLines);
    const bool hasRiser = isBeacon && (FindTag(text, Layout::kRiserPitchTag) != kNoTag ||
                                       FindTag(text, Layout::kRiserRollTag) != kNoTag);
    // Both riser lines are shown when either angle was sent; the one missing is 0.0.
    std::string riserColumns = ",,";
    if (hasRiser) {
        riserColumns = WriteValueLine(kRiserLines[0], RealTag(text, kRiserLines[0].tag).value_or(0.0)) + ",";
        riserColumns += WriteValueLine(kRiserLines[1], RealTag(text, kRiserLines[1].tag).value_or(0.0)) + ",";
    }
    WriteErrorStatus(errorStatus);
    Csv("%d,", errorStatus);
    CsvText(riserColumns.c_str());
    const std::uint8_t firstEnd = telegram.At(telegram.Size() - 2);
    const std::uint8_t secondEnd = telegram.At(telegram.Size() - 1);
    WriteEndCharacter("First", firstEnd);
    WriteEndCharacter("Second", secondEnd);
    Csv("%d,%d", firstEnd, secondEnd);
}

void CZaqAsciiDecoder::WriteField(std::string_view label, std::string_view column, std::string_view interpretation)
{
    std::string text = "   ";
    text += interpretation;
    FieldLine(label, column, text);
}

void CZaqAsciiDecoder::WriteDateTime(const CDateTime& at)
{
    WriteField("Date           ", Format("%02d %3s %02d", at.day, at.month, at.year), "Date of origin of telegram data");
    WriteField("Time           ", Format("%02d:%02d:%02d", at.hour, at.minute, at.second),
               " Time of origin of telegram data");
    if (!IsCsvOpen())
        return;
    // The month is received text: a comma or a quote in it stays in its column.
    char date[40];
    std::snprintf(date, sizeof date, "%2d %3s %02d", at.day, at.month, at.year);
    CsvText(",");
    CsvCell(date);
    Csv(",%02d:%02d:%02d,", at.hour, at.minute, at.second);
}

void CZaqAsciiDecoder::WriteIndexLine(int beaconIndex, CTelegramIndex& index)
{
    const std::string column = Format("%c%c     %2d", Layout::kBeaconTag, Layout::kTagMark, beaconIndex);
    if (beaconIndex != Layout::kShipBeacon) {
        index.SetReportIndex(1, std::to_string(beaconIndex));
        WriteField("Tp_index       ", column, "Beacon index : Transponder " + index.text);
    } else {
        index.SetIndex(0, "Ship");
        WriteField("Tp_index       ", column, "Beacon index : Ship");
    }
    Csv("%d,", beaconIndex);
}

void CZaqAsciiDecoder::WriteValues(std::string_view text, std::span<const CValueLine> lines)
{
    for (const CValueLine& line : lines)
        WriteValue(text, line);
}

// The position lines and columns; the telegram's position when all three
// numbers were read (an absent or unreadable one gives none).
void CZaqAsciiDecoder::WritePosition(std::string_view text, const CPositionLines& position, bool fixGood)
{
    const std::optional<double> x = WriteValue(text, position.lines[0]);
    const std::optional<double> y = WriteValue(text, position.lines[1]);
    const std::optional<double> depth = WriteValue(text, position.lines[2]);
    if (x && y && depth)
        SetPosition(position.frame, *x, *y, *depth, fixGood);
}

// One number's line and CSV column; absent or unreadable numbers are shown
// and logged as 0.0. Returns the number read, none when there was none.
std::optional<double> CZaqAsciiDecoder::WriteValue(std::string_view text, const CValueLine& line)
{
    const std::optional<double> read = RealTag(text, line.tag);
    const std::string value = WriteValueLine(line, read.value_or(0.0));
    if (IsCsvOpen()) {
        CsvText(value);
        CsvText(",");
    }
    return read;
}

// The line "X:%7.1f"; returns the value's text for the "%3.1f" CSV column
// (the same digits: one decimal is never narrower than three characters).
std::string CZaqAsciiDecoder::WriteValueLine(const CValueLine& line, double value)
{
    const std::string digits = OneDecimal(value);
    WriteField(line.label, std::string{line.tag, Layout::kTagMark} + AlignRight(digits, 7), line.interpretation);
    return digits;
}

void CZaqAsciiDecoder::WriteErrorStatus(int errorStatus)
{
    if (errorStatus != Layout::kNoError)
        WriteField("Error status   ", Format("%c%c      %d", Layout::kErrorTag, Layout::kTagMark, errorStatus),
                   "Simulated data or Error in telegram; error " + std::to_string(errorStatus));
    else
        WriteField("Error status   ", "         ", "No error");
}

void CZaqAsciiDecoder::WriteEndCharacter(const char* ordinal, std::uint8_t code)
{
    WriteField("End character  ", Format("(%02x)     ", code), EndCharacterText(ordinal, code));
}
