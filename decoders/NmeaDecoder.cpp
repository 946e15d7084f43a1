#include "decoders/NmeaDecoder.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>

#include "decoders/NmeaLayout.h"

namespace {

using CFieldRule = CNmeaDecoder::CFieldRule;
using CAxes = CNmeaDecoder::CAxes;

constexpr int Pair(int first, int second)
{
    return first * 256 + second;
}

const char kAddressText[] = "Manufacturers code and type of telegram";

// ---------------------------------------------------------------- $PSIMSSB

const CCodeText kFrequencyTexts[] = {
    {'A', "Low Frequency Beacon index"},
    {'B', "Medium Frequency Beacon index"},
    {'C', "High Frequency Beacon index"},
};
const CCodeText kSsbStatusTexts[] = {
    {'A', "Good position fix and Additional data (if present)"},
    {'V', "Bad Fix and/or Additional data (if present)"},
};
const CCodeText kErrorCodeTexts[] = {
    {'N', "No reply received"},
    {'A', "Ambiguity error in SSBL direction"},
    {'M', "Missing additional data"},
    {'P', "Position is predicted, not measured"},
    {'R', "The measured position is rejected by filter"},
};
const CCodeText kCoordSystemTexts[] = {
    {'C', "Cartesian Coordinates from Vessel position"},
    {'P', "Polar Coordinates from Vessel position"},
    {'U', "Universal Transverse Mercator Coordinates"},
};
const CCodeText kOrientationTexts[] = {
    {'H', "Position of beacon is oriented ship's head up, Stbd first"},
    {'N', "Position of beacon is oriented North up, North first"},
    {'E', "Position of beacon is oriented North up, East first"},
};
const CCodeText kFilterTexts[] = {
    {'M', "Position of beacon is measured"},
    {'F', "Position of beacon is filtered"},
    {'P', "Position of beacon is predicted"},
};
// The coordinates by orientation and coordinate system letters.
const CCodeText kSsbXTexts[] = {
    {Pair('H', 'C'), "Position of beacon Starboard of ship's ref. point"},
    {Pair('H', 'P'), "Horizontal range of beacon from ship's ref. point"},
    {Pair('N', 'C'), "Position of beacon North of ship's ref. point"},
    {Pair('N', 'U'), "UTM Northings of beacon"},
    {Pair('E', 'C'), "Position of beacon East of ship's ref. point"},
    {Pair('E', 'U'), "UTM Eastings of beacon"},
};
const CCodeText kSsbYTexts[] = {
    {Pair('H', 'C'), "Position of beacon Forwards of ship's ref. point"},
    {Pair('H', 'P'), "Bearing in degrees of beacon from ship's ref. point"},
    {Pair('N', 'C'), "Position of beacon East of ship's ref. point"},
    {Pair('N', 'U'), "UTM Eastings of beacon"},
    {Pair('E', 'C'), "Position of beacon North of ship's ref. point"},
    {Pair('E', 'U'), "UTM Northings of beacon"},
};
// A known orientation with a coordinate system it does not use.
const CCodeText kUnknownCoordinateTexts[] = {
    {'H', "UNKNOWN orientation of beacon position from ship"},
    {'N', "UNKNOWN co-ordinate system"},
    {'E', "UNKNOWN co-ordinate system"},
};
const CCodeText kAdditionalTexts[] = {
    {'N', "No additional data is available"},
    {'I', "Inclinometer X & Y angles are available from the beacon"},
    {'C', "Compass heading is available from the beacon"},
};
const CCodeText kFirstAdditionalTexts[] = {
    {'I', "Beacon X inclination"},
    {'C', "Beacon Compass heading"},
};
const CCodeText kSecondAdditionalTexts[] = {
    {'I', "Beacon Y inclination"},
};

enum SsbField {
    kSsbStatus = 3,
    kSsbErrorCode = 4,
    kSsbCoordSystem = 5,
    kSsbOrientation = 6,
    kSsbX = 8,
    kSsbY = 9,
    kSsbDepth = 10,
    kSsbAdditional = 12
};

// Where the beacon is, by orientation and coordinate system: ship's head up
// is starboard and forwards of the ship's reference point; North up is north
// and east of it, or UTM northings and eastings, in the order the
// orientation names. Range and bearing (polar) and unknown letters give no
// position.
const CAxes kSsbAxes[] = {
    {Pair('H', 'C'), CPositionFrame::Vessel, false},
    {Pair('N', 'C'), CPositionFrame::North, true},
    {Pair('N', 'U'), CPositionFrame::Grid, true},
    {Pair('E', 'C'), CPositionFrame::North, false},
    {Pair('E', 'U'), CPositionFrame::Grid, false},
};

const CFieldRule kSsbFields[] = {
    {.label = "Address        ", .otherwise = kAddressText},
    {.label = "Time           ", .otherwise = "Time of origin of SSB (USBL) telegram data"},
    {.label = "Tp_code        ", .otherwise = "UNKNOWN Frequency Beacon index", .key = 2,
     .texts = kFrequencyTexts},
    {.label = "Status         ", .otherwise = "UNKNOWN Fix Status", .key = 3, .texts = kSsbStatusTexts},
    {.label = "Error_code     ", .otherwise = "UNKNOWN Fix Error", .key = 4, .texts = kErrorCodeTexts,
     .whenEmpty = "              No errors"},
    {.label = "Coord_system   ", .otherwise = "UNKNOWN Coordinates", .key = 5, .texts = kCoordSystemTexts},
    {.label = "Orientation    ", .otherwise = "UNKNOWN orientation of beacon position", .key = 6,
     .texts = kOrientationTexts},
    {.label = "SW_filter      ", .otherwise = "UNKNOWN method of beacon position", .key = 7,
     .texts = kFilterTexts},
    {.label = "X_coordinate   ", .otherwise = "UNKNOWN orientation of beacon position",
     .key = kSsbOrientation, .secondKey = kSsbCoordSystem, .texts = kSsbXTexts,
     .otherwiseByKey = kUnknownCoordinateTexts},
    {.label = "Y_coordinate   ", .otherwise = "UNKNOWN orientation of beacon position",
     .key = kSsbOrientation, .secondKey = kSsbCoordSystem, .texts = kSsbYTexts,
     .otherwiseByKey = kUnknownCoordinateTexts},
    {.label = "Depth          ", .otherwise = "Depth of beacon below ship's ref. point"},
    {.label = "Expected_acc   ", .otherwise = "Expected accuracy of beacon position"},
    {.label = "Additional_inf ", .otherwise = "UNKNOWN additional data is available", .key = 12,
     .texts = kAdditionalTexts},
    {.label = "1st_add_field  ", .otherwise = "UNKNOWN additional data", .key = kSsbAdditional,
     .texts = kFirstAdditionalTexts, .whenEmpty = "              Empty"},
    {.label = "2nd_add_field  ", .otherwise = "UNKNOWN additional data", .key = kSsbAdditional,
     .texts = kSecondAdditionalTexts, .whenEmpty = "              Empty"},
};

// ---------------------------------------------------------------- $PSIMLBP

// %c is the last character of the Type field: the ROV's or beacon's number.
const CCodeText kObjectTexts[] = {
    {'V', "LBL position is for the Vessel"},
    {'R', "LBL position is for ROV %c"},
    {'T', "LBL position is for Beacon %c"},
};
const CCodeText kLbpStatusTexts[] = {
    {'A', "Good position fix"},
    {'?', "Bad position Fix "},
    {'R', "The residuals are too large"},
    {'N', "The calculation does not converge"},
    {'F', "Too few replies to calculate position"},
    {'C', "Computational error in position"},
};
const CCodeText kLbpCoordinateTexts[] = {
    {'C', "Cartesian Local Coordinate system, North first"},
    {'L', "Cartesian Local Coordinate system, East first"},
    {'U', "UTM Coordinate system, Northings first"},
    {'E', "UTM Coordinate system, Eastings first"},
};
const CCodeText kLbpXTexts[] = {
    {'C', "North position of Object in local grid"},
    {'L', "East position of Object in local grid"},
    {'U', "Northings of Object in UTM grid"},
    {'E', "Eastings of Object in UTM grid"},
};
const CCodeText kLbpYTexts[] = {
    {'C', "East position of Object in local grid"},
    {'L', "North position of Object in local grid"},
    {'U', "Eastings of Object in UTM grid"},
    {'E', "Northings of Object in UTM grid"},
};

enum LbpField { kLbpStatus = 4, kLbpCoordinates = 5, kLbpX = 6, kLbpY = 7, kLbpDepth = 8 };

// Where the object is: in a local grid or the UTM grid, north or east first.
const CAxes kLbpAxes[] = {
    {'C', CPositionFrame::Grid, true},
    {'L', CPositionFrame::Grid, false},
    {'U', CPositionFrame::Grid, true},
    {'E', CPositionFrame::Grid, false},
};

const CFieldRule kLbpFields[] = {
    {.label = "Address        ", .otherwise = kAddressText},
    {.label = "Clock          ", .otherwise = "Time of origin of LBP (LBL) telegram data"},
    {.label = "Tp_array       ", .otherwise = "Number of Beacon array used for LBL position"},
    {.label = "Type           ", .otherwise = "LBL position is for UNKNOWN Object", .key = 3,
     .texts = kObjectTexts, .showsLastCharacter = true},
    {.label = "Status         ", .otherwise = "UNKNOWN Fix Status", .key = 4, .texts = kLbpStatusTexts},
    {.label = "Coordinates    ", .otherwise = "UNKNOWN Coordinate system", .key = 5,
     .texts = kLbpCoordinateTexts},
    {.label = "X_coordinate   ", .otherwise = "UNKNOWN X position of Object", .key = kLbpCoordinates,
     .texts = kLbpXTexts},
    {.label = "Y_coordinate   ", .otherwise = "UNKNOWN Y position of Object", .key = kLbpCoordinates,
     .texts = kLbpYTexts},
    {.label = "Depth          ", .otherwise = "Depth of Object"},
    {.label = "Major          ", .otherwise = "Major axis of the error ellipse"},
    {.label = "Minor          ", .otherwise = "Minor axis of the error ellipse"},
    {.label = "Direction      ", .otherwise = "Direction of the error ellipse"},
    {.label = "Depth_stdev    ", .otherwise = "Depth standard deviation"},
};

int Letter(std::string_view text)
{
    return text.empty() ? 0 : static_cast<std::uint8_t>(text.front());
}

// Status V is a "Bad Fix and/or Additional data"; an Error_code is an error
// of the fix (no reply, ambiguity, predicted, rejected by filter, or one
// unknown), except M, "Missing additional data", which says nothing
// against the position.
bool SsbFixGood(const CNmeaDecoder::CFieldTexts& texts)
{
    const int error = Letter(texts[kSsbErrorCode]);
    return Letter(texts[kSsbStatus]) != 'V' && (error == 0 || error == 'M');
}

// Every Status letter of the table but A ("Good position fix") tells how
// the fix failed; a letter the table does not know says nothing.
bool LbpFixGood(const CNmeaDecoder::CFieldTexts& texts)
{
    constexpr std::string_view kFailures = "?RNFC";
    const int status = Letter(texts[kLbpStatus]);
    return status == 0 || kFailures.find(static_cast<char>(status)) == std::string_view::npos;
}

// SSB: the beacon code is the index and passes the display filter; the
// position is the beacon's (measured, filtered or predicted, as SW_filter
// says: one position per sentence).
// LBP: the object is the index, kept out of the filter; the position is the
// object's, vessel, ROV or beacon.
const CNmeaDecoder::CSentenceRule kSsbSentence{kSsbFields, 2, 1, true, kSsbX, kSsbY, kSsbDepth, kSsbAxes, SsbFixGood};
const CNmeaDecoder::CSentenceRule kLbpSentence{kLbpFields, 3, 0, false, kLbpX, kLbpY, kLbpDepth, kLbpAxes, LbpFixGood};

// The code a field's interpretation is looked up by.
int KeyCode(const CFieldRule& rule, const CNmeaDecoder::CFieldTexts& texts)
{
    const int keyLetter = Letter(texts[rule.key]);
    return rule.secondKey >= 0 ? Pair(keyLetter, Letter(texts[rule.secondKey])) : keyLetter;
}

// Where the first CR or LF stands (the size when there is none), in one pass.
std::size_t FirstLineEnd(std::string_view text)
{
    const auto isLineEnd = [](char c) { return c == NmeaLayout::kLineEnd[0] || c == NmeaLayout::kLineEnd[1]; };
    return static_cast<std::size_t>(std::find_if(text.begin(), text.end(), isLineEnd) - text.begin());
}

// A coordinate or depth: a decimal number (optionally signed, with an
// optional exponent) and nothing after it but blanks. An empty field, any
// other text and a number beyond the range of a double read as none.
std::optional<double> FieldNumber(std::string_view text)
{
    while (!text.empty() && static_cast<std::uint8_t>(text.back()) <= ' ')
        text.remove_suffix(1);
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-'))
            return std::nullopt;
    }
    if (text.empty())
        return std::nullopt;
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

bool IsSeparator(std::uint8_t sevenBit)
{
    return sevenBit == NmeaLayout::kSeparator || sevenBit == NmeaLayout::kChecksumMark ||
           sevenBit == NmeaLayout::kLineEnd[0] || sevenBit == NmeaLayout::kLineEnd[1];
}

// The two received checksum characters read as hex the way "%2x" reads them:
// leading blanks skipped, then an optional sign and at most two characters
// in all. Nothing readable gives -1, which matches no checksum.
int ReceivedChecksum(std::string_view digits)
{
    while (!digits.empty() && (digits.front() == ' ' || (digits.front() >= '\t' && digits.front() <= '\r')))
        digits.remove_prefix(1);
    const bool negative = !digits.empty() && digits.front() == '-';
    if (!digits.empty() && (digits.front() == '-' || digits.front() == '+'))
        digits.remove_prefix(1);
    int value = 0;
    std::size_t read = 0;
    for (; read < digits.size(); ++read) {
        const char c = digits[read];
        const int digit = c >= '0' && c <= '9' ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                  : -1;
        if (digit < 0)
            break;
        value = value * 16 + digit;
    }
    // A negated value other than 0 is far above any checksum byte.
    return read == 0 || (negative && value != 0) ? -1 : value;
}

} // namespace

// One field of the sentence: its text and the position of the character
// that ended it.
struct CNmeaDecoder::CField {
    std::string_view text;
    std::size_t terminator = 0;

    // The field after the separator at `separator`. It starts at the first
    // character from 0x21 to 0x7D (blanks and control characters before it
    // are skipped) and runs to the next comma, '*', CR or LF. When the
    // separator is the line end itself (one of the last two characters) the
    // sentence has run out of fields: the field is empty and the terminator
    // stays where it was, so nothing is ever read past the received bytes.
    static CField After(const CByteView& sentence, std::size_t separator)
    {
        CField field;
        field.terminator = separator;
        if (separator + 2 >= sentence.Size())
            return field;
        std::size_t at = separator + 1;
        std::size_t start = std::string_view::npos;
        for (; at < sentence.Size(); ++at) {
            const std::uint8_t sevenBit = sentence.At(at) & 0x7F;
            if (IsSeparator(sevenBit))
                break;
            if (start == std::string_view::npos && sevenBit >= 0x21 && sevenBit <= 0x7D)
                start = at;
        }
        field.terminator = at;
        if (start != std::string_view::npos)
            field.text = sentence.Text().substr(start, at - start);
        return field;
    }
};

// The checksum the sentence carries: at most two characters after its first
// '*' (never the line end itself), read the way "%2x" reads them, and
// whether they are the calculated checksum. The report shows the received
// checksum beside the calculated one; the log and the record compare them.
struct CNmeaDecoder::CChecksumField {
    std::uint8_t calculated = 0;
    // Where the first sentence ends: at its first CR or LF (a read may hold two).
    std::size_t lineEnd = 0;
    std::size_t star = std::string_view::npos;  // npos: the first sentence carries no checksum
    std::string_view digits;
    bool agrees = false;

    explicit CChecksumField(std::string_view sentence)
        : calculated(NmeaLayout::Checksum(sentence)),
          lineEnd(std::min(sentence.size() - NmeaLayout::kLineEnd.size(), FirstLineEnd(sentence))),
          star(sentence.substr(0, lineEnd).find(NmeaLayout::kChecksumMark))
    {
        if (star == std::string_view::npos)
            return;
        digits = sentence.substr(star + 1, std::min(NmeaLayout::kChecksumDigits, lineEnd - star - 1));
        agrees = ReceivedChecksum(digits) == calculated;
    }

    std::optional<bool> Agrees() const
    {
        return star == std::string_view::npos ? std::nullopt : std::optional<bool>(agrees);
    }
};

TelegramStatus CNmeaDecoder::Validate(const CByteView& telegram)
{
    const TelegramStatus status = CheckLength(telegram);
    if (status != kStatusOk)
        return status;
    const bool framed = telegram.CharAt(0) == NmeaLayout::kStart &&
                        telegram.CharAt(telegram.Size() - 2) == NmeaLayout::kLineEnd[0] &&
                        telegram.CharAt(telegram.Size() - 1) == NmeaLayout::kLineEnd[1];
    return framed ? kStatusOk : kStatusBadData;
}

void CNmeaDecoder::WriteCsvHeader()
{
    static const char* const kRows[] = {
        "Time,Tdiff,Count,Status,"
        "$PSIMSSB,Time,TpId,Status,Err,Coords,Orient,Filt,Xposn,Yposn,Depth,Accy,Add,TpXangle,TpYangle,"
        "Tg_Csum,Chk_Csum,End_1,End_2\n",
        "Base ->,secs,10,Text,"
        "$PSIMSSB,Time,10,Text,Text,Text,Text,Text,metre,metre,metre,metre,Text,deg,deg,"
        "Text,10,10,10\n",
        "Time,Tdiff,Count,Status,"
        "$PSIMLBP,Time,Tp_ary,Object,Status,Coords,Xposn,Yposn,Depth,Maj,Min,Dir,Zerr,"
        "Tg_Csum,Chk_Csum,End_1,End_2\n",
        "Base ->,secs,10,Text,"
        "$PSIMLBP,Time,10,Text,Text,Text,metre,metre,metre,metre,metre,deg,metre,"
        "Text,10,10,10\n",
    };
    for (const char* row : kRows)
        CsvText(row);
}

void CNmeaDecoder::DecodeFields(const CByteView& telegram, CTelegramIndex& index)
{
    const CChecksumField received(telegram.Text());

    const std::string typeName = "NMEA " + std::string(telegram.Text().substr(0, NmeaLayout::kAddressLength));
    WriteTextHeader(typeName.c_str(), telegram);

    const bool isSsb = telegram.CharAt(NmeaLayout::kKindLetterAt) == NmeaLayout::kSsbKindLetter;
    const CSentenceRule& sentence = isSsb ? kSsbSentence : kLbpSentence;
    CFieldTexts texts{};
    // Every field of the table after the address stands behind a comma
    // (not behind the '*' or the line end of a sentence cut short).
    bool fieldsFit = true;
    std::size_t separator = 0;  // the '$'
    for (std::size_t number = 0; number < sentence.fields.size(); ++number) {
        fieldsFit = fieldsFit && (number == 0 || (telegram.At(separator) & 0x7F) == NmeaLayout::kSeparator);
        const CField field = CField::After(telegram, separator);
        texts[number] = field.text;
        WriteFieldLine(sentence.fields[number], field, texts);
        if (number == sentence.indexField) {
            if (sentence.indexTextFiltered)
                index.SetReportIndex(sentence.indexKind, std::string(field.text));
            else
                index.SetIndex(sentence.indexKind, std::string(field.text));
        }
        separator = field.terminator;
    }
    if ((telegram.At(separator) & 0x7F) == NmeaLayout::kChecksumMark) {
        const CField checksum = CField::After(telegram, separator);
        WriteChecksumLine(checksum, received.calculated);
        separator = checksum.terminator;
    }
    WriteTerminatorLine("Terminator1    ", "First", telegram.At(separator));
    WriteTerminatorLine("Terminator2    ", "Second", telegram.At(separator + 1));
    WriteSentenceCsv(telegram, received);

    SetPositionFrom(sentence, texts);
    // The sentence holds the fields of its table, no fewer and no more, when
    // each stood behind a comma and the last (or the checksum after it) ends
    // at the line end: the end character lines then show the CR LF.
    fieldsFit = fieldsFit && separator + NmeaLayout::kLineEnd.size() == telegram.Size();
    SetChecks(received.Agrees(), fieldsFit);
}

// The position the sentence's X, Y and depth fields give, when its letters
// name cartesian axes and all three fields hold numbers.
void CNmeaDecoder::SetPositionFrom(const CSentenceRule& sentence, const CFieldTexts& texts)
{
    const int code = KeyCode(sentence.fields[sentence.xField], texts);
    const auto axes = std::find_if(sentence.axes.begin(), sentence.axes.end(),
                                   [code](const CAxes& entry) { return entry.code == code; });
    if (axes == sentence.axes.end())
        return;
    const std::optional<double> first = FieldNumber(texts[sentence.xField]);
    const std::optional<double> second = FieldNumber(texts[sentence.yField]);
    const std::optional<double> depth = FieldNumber(texts[sentence.depthField]);
    if (!first || !second || !depth)
        return;
    // The record's x is east (or starboard), its y north (or forwards).
    const bool good = sentence.fixGood(texts);
    if (axes->northFirst)
        SetPosition(axes->frame, *second, *first, *depth, good);
    else
        SetPosition(axes->frame, *first, *second, *depth, good);
}

void CNmeaDecoder::WriteFieldLine(const CFieldRule& rule, const CField& field, const CFieldTexts& texts)
{
    if (field.text.empty()) {
        EmptyFieldLine(rule.label, rule.whenEmpty ? rule.whenEmpty : "");
        return;
    }
    const char* text = rule.otherwise;
    if (rule.key >= 0) {
        const int keyLetter = Letter(texts[rule.key]);
        text = LookupText(rule.texts, KeyCode(rule, texts), LookupText(rule.otherwiseByKey, keyLetter, rule.otherwise));
    }
    FieldLine(rule.label, FieldColumn(field), rule.showsLastCharacter ? Format(text, field.text.back()) : text);
}

// The field as received, left-aligned in a column of at least 14 characters;
// a longer field is shown whole.
std::string CNmeaDecoder::FieldColumn(const CField& field)
{
    std::string column(field.text);
    if (column.size() < 14)
        column.append(14 - column.size(), ' ');
    return column;
}

// The received checksum beside the calculated one; they are not compared here.
void CNmeaDecoder::WriteChecksumLine(const CField& field, std::uint8_t calculated)
{
    const std::string text = "Calculated value is (" + NmeaLayout::ChecksumText(calculated) + ")";
    if (field.text.empty())
        EmptyFieldLine("Checksum       ", text);
    else
        FieldLine("Checksum       ", FieldColumn(field), text);
}

void CNmeaDecoder::WriteTerminatorLine(const char* label, const char* ordinal, std::uint8_t code)
{
    FieldLine(label, Format("%02X%14s", code, ""), EndCharacterText(ordinal, code));
}

// The sentence's fields as CSV columns: its commas separate them, each
// field a cell of received text.
void CNmeaDecoder::WriteFieldCells(std::string_view fields)
{
    std::size_t start = 0;
    for (std::size_t comma = fields.find(NmeaLayout::kSeparator); comma != std::string_view::npos;
         comma = fields.find(NmeaLayout::kSeparator, start)) {
        CsvCell(fields.substr(start, comma - start));
        CsvText(",");
        start = comma + 1;
    }
    CsvCell(fields.substr(start));
}

// The sentence up to its checksum, whose fields become the CSV columns; the
// received checksum, the calculated one when they differ, and the two end
// characters. The sentence ends at its first CR or LF, so that a read holding
// two sentences still logs one row of one line.
void CNmeaDecoder::WriteSentenceCsv(const CByteView& telegram, const CChecksumField& checksum)
{
    if (!IsCsvOpen())
        return;
    const std::string_view text = telegram.Text();
    std::size_t endAt = checksum.lineEnd;
    CsvText(",");
    if (checksum.star == std::string_view::npos) {
        WriteFieldCells(text.substr(0, endAt));
        CsvText(",,");
    } else {
        WriteFieldCells(text.substr(0, checksum.star));
        CsvText(",");
        // Two characters after the '*' that may be anything, a comma too.
        CsvCell(checksum.digits);
        if (checksum.agrees)
            CsvText(",");
        else
            Csv(",%s", NmeaLayout::ChecksumText(checksum.calculated).c_str());
        endAt = checksum.star + 1 + checksum.digits.size();
    }
    Csv(",%d,%d", telegram.At(endAt), telegram.At(endAt + 1));
}
