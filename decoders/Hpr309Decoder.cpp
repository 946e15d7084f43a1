#include "decoders/Hpr309Decoder.h"

#include <cstdio>
#include <string>

#include "decoders/CodeText.h"
#include "decoders/FloatText.h"
#include "decoders/PackedNumber.h"

namespace {

using namespace Hpr309Layout;

// Byte offsets in the telegram before the check byte and the end marker.
enum : std::size_t {
    kHeader = 0,
    kRoll = 1,
    kPitch = 3,
    kCourse = 5,
    kTpIndex = 7,
    kX = 8,
    kY = 11,
    kZ = 14,
    kStatus = 17,
    kTimeout = 18,
    kTpSequence = 19,
    kTdAngle = 22,
    kTest = 24,
    kTpType = 25,
    kTpSpec = 26,
    kTransducers = 27,
    kTdStatus = 28,
    kQFactor = 29
};

constexpr int kFirstTpdrAttitudeType = 5;

const CCodeText kTpTypes[] = {
    {0, "Standard transponder"},     {1, "Responder"},     {2, "Depth transponder"},
    {3, "Beacon"},                   {4, "Depth beacon"},  {5, "Inclinometer transponder"},
    {6, "Diff. Inc. transponder?"},
};

const CCodeText kTransducerModes[] = {
    {0, "auto track"}, {1, "stopped"}, {2, "train man left"}, {3, "train man right"},
};

bool Bit(std::uint8_t byte, int bit)
{
    return (byte >> bit) & 1;
}

// Header bit 1; Status bits 0 and 3.
constexpr int kTestModeBit = 1;
constexpr int kNoResponseBit = 0;
constexpr int kBadAngularDataBit = 3;

// Any of the Timeout byte's bits 0 to 2: a pulse did not arrive.
bool PulsesMissing(const CByteView& telegram)
{
    return (telegram.At(kTimeout) & 0x07) != 0;
}

// Any of the Test byte's bits 0 to 3.
bool ComputerFault(const CByteView& telegram)
{
    return (telegram.At(kTest) & 0x0F) != 0;
}

double UnsignedAngle(const CByteView& telegram, std::size_t offset)
{
    return CPackedNumber::SixBit12(telegram, offset) * kDegreesPerCount;
}

// Roll and pitch: bit 11 of the count is the sign.
double SignedAngle(const CByteView& telegram, std::size_t offset)
{
    const int count = CPackedNumber::SixBit12(telegram, offset);
    if (count & kAngleSignBit)
        return -(kAngleCounts - count) * kDegreesPerCount;
    return count * kDegreesPerCount;
}

} // namespace

// The values the report and the CSV row share, read once per telegram.
struct CHpr309Decoder::Values {
    explicit Values(const CByteView& t)
        : header(t.At(kHeader)),
          transducers(t.At(kTransducers)),
          polar(Bit(header, 2)),
          northUp(Bit(header, 3)),
          feet(Bit(transducers, 5)),
          unitWord(feet ? "feet  " : "metres"),
          roll(SignedAngle(t, kRoll)),
          pitch(SignedAngle(t, kPitch)),
          course(UnsignedAngle(t, kCourse)),
          x(Distance(t, kX)),
          y(polar ? UnsignedAngle(t, kY) : Distance(t, kY)),
          z(Distance(t, kZ)),
          tdAngle(UnsignedAngle(t, kTdAngle)),
          sequence(CPackedNumber::SixBit16(t, kTpSequence))
    {
    }

    double Distance(const CByteView& t, std::size_t offset) const
    {
        return CPackedNumber::SixBit16(t, offset) * (feet ? kFeetPerCount : kMetresPerCount);
    }

    std::uint8_t header;
    std::uint8_t transducers;
    bool polar;
    bool northUp;
    bool feet;
    const char* unitWord;
    double roll;
    double pitch;
    double course;
    double x;
    double y;  // the bearing in degrees when polar
    double z;
    double tdAngle;
    std::int16_t sequence;
};

CHpr309Decoder::CHpr309Decoder() : CFormatDecoder(RowShape::AfterDecode) {}

void CHpr309Decoder::Decode(const std::string& raw, CReportBuilder& builder, double& receiveTime,
                            CTelegramIndex& index)
{
    CFormatDecoder::Decode(raw, builder, receiveTime, index);
    // The builder lives only for this telegram; a later Validate must not reach it.
    report = nullptr;
}

TelegramStatus CHpr309Decoder::Validate(const CByteView& telegram)
{
    if (telegram.Empty())
        return kStatusTimedOut;
    if (telegram.Size() < kLength)
        return kStatusEarlyEot;
    if (Xor(telegram) == kXorResult)
        return kStatusOk;
    // Show the engineer what arrived, ahead of the error block.
    if (report) {
        for (std::size_t i = 0; i < kLength; ++i)
            report->Append("%02X ", telegram.At(i));
    }
    return kStatusBadData;
}

void CHpr309Decoder::DecodeFields(const CByteView& telegram, CTelegramIndex& index)
{
    const Values values(telegram);
    ReportHeader("HPR 309 TPDR", static_cast<int>(telegram.Size()));
    WriteHexHeading();
    WriteHeaderLines(telegram);
    WriteAttitudeLines(telegram, values);

    const int channel = telegram.At(kTpIndex);
    HexLine("Tp_index       ", telegram, kTpIndex, 1, "Telegram for transponder on channel %d", channel);
    char channelText[8];
    std::snprintf(channelText, sizeof channelText, "%02d", channel);
    index.SetReportIndex(1, channelText);

    WritePositionLines(telegram, values);
    RecordPosition(telegram, values);
    WriteStatusLines(telegram);
    WriteSequenceLine(telegram, values);
    HexLine("Td_angle       ", telegram, kTdAngle, 2, "%6.1f degs is Azimuth of Td tracking head",
            values.tdAngle);
    HexLine("Test           ", telegram, kTest, 1, "%s", ComputerFault(telegram) ? "HPR computer fault" : "HPR computer OK   ");
    HexLine("Tp_type        ", telegram, kTpType, 1, "Tpdr type is %s",
            LookupText(kTpTypes, telegram.At(kTpType), "Unknown"));
    HexLine("Tp_spec        ", telegram, kTpSpec, 1, "Transponder is %s",
            Bit(telegram.At(kTpSpec), 0) ? "Mobile" : "Fixed (may be used as position reference)");
    WriteTransducerLines(telegram, values);
    HexLine("Q_factor       ", telegram, kQFactor, 1, "%4d %s is Kalman filter window limit",
            telegram.At(kQFactor), values.unitWord);
    HexLine("Checksum       ", telegram, kChecksum, 1, "XOR of all previous telegram bytes");
    HexLine("End_of_tg      ", telegram, kEndOfTg, 1, "End of telegram marker byte");
    // Only a telegram whose check byte is right gets here; one with bytes
    // past the 32nd is decoded from its first 32, but is longer than it should be.
    SetChecks(true, telegram.Size() == kLength);
}

void CHpr309Decoder::WriteHeaderLines(const CByteView& telegram)
{
    const std::uint8_t header = telegram.At(kHeader);
    std::string flags;
    AppendFlag(flags, Bit(header, 0), "Running, ");
    AppendFlag(flags, Bit(header, kTestModeBit), "Test mode, ");
    flags += "Coords: ";
    AppendFlag(flags, Bit(header, 2), "Polar, ", "Cartesian, ");
    AppendFlag(flags, Bit(header, 3), "North up, ", "Ship up, ");
    AppendFlag(flags, Bit(header, 4), "Filtered, ", "Unfiltered, ");
    // The label is not padded: the digits stand inside a wider raw column.
    FieldLines("Header", Format("         %02X         ", header), flags,
               Format("With respect to the ship's %s reference point", Bit(header, 5) ? "Spare" : "Main"));
}

void CHpr309Decoder::WriteAttitudeLines(const CByteView& telegram, const Values& values)
{
    // Inclinometer transponders report their own attitude in the roll and
    // pitch fields; the labels follow every type from 5 up.
    const int tpType = telegram.At(kTpType);
    const char* labelWord = tpType >= kFirstTpdrAttitudeType ? "Tpdr" : "Ship";
    const char* sourceWord = tpType == 5 ? "Inclinometer Tpdr" : tpType == 6 ? "Diff. Inc. Tpdr" : "Ship";
    const std::string rollLabel = std::string(labelWord) + " Roll      ";
    const std::string pitchLabel = std::string(labelWord) + " Pitch     ";
    HexLine(rollLabel.c_str(), telegram, kRoll, 2, "%6.1f degrees of %s roll", values.roll, sourceWord);
    HexLine(pitchLabel.c_str(), telegram, kPitch, 2, "%6.1f degrees of %s pitch", values.pitch, sourceWord);
    HexLine("Course         ", telegram, kCourse, 2, "%6.1f degrees is Ship's course", values.course);
}

void CHpr309Decoder::WritePositionLines(const CByteView& telegram, const Values& v)
{
    const char* xMeaning = v.polar ? "Range to tpdr" : v.northUp ? "Eastings of tpdr" : "Athwartships stbd to tpdr";
    HexLine("X_pos/rng      ", telegram, kX, 3, "%6.1f %s is %s", v.x, v.unitWord, xMeaning);
    if (v.polar)
        HexLine("Y_pos/brg      ", telegram, kY, 3, "%6.1f degree is Bearing of tpdr %s", v.y,
                v.northUp ? "relative to north" : "relative to ship's head");
    else
        HexLine("Y_pos/brg      ", telegram, kY, 3, "%6.1f %s is %s", v.y, v.unitWord,
                v.northUp ? "Northings to tpdr" : "Alongships fwd to tpdr");
    HexLine("Z_pos/depth    ", telegram, kZ, 3, "%6.1f %s is Depth of tpdr", v.z, v.unitWord);
}

// The position lines say how X, Y and Z are meant: north up, X is the
// "Eastings of tpdr" and Y the "Northings to tpdr"; ship up, X is
// "Athwartships stbd to tpdr" and Y "Alongships fwd to tpdr"; Z is the
// "Depth of tpdr". Either way from the ship's (main or spare) reference
// point, in metres to the micrometre. A polar telegram carries range and
// bearing: no position. The fix is not good when the telegram says "Test
// mode", "No Response to interrogation", "Bad Tdpr Angular data", "Pulse(s)
// not received" or "HPR computer fault".
void CHpr309Decoder::RecordPosition(const CByteView& telegram, const Values& v)
{
    if (v.polar)
        return;
    const double metres = v.feet ? kMetresPerFoot : 1.0;
    const std::uint8_t status = telegram.At(kStatus);
    const bool good = !Bit(v.header, kTestModeBit) && !Bit(status, kNoResponseBit) &&
                      !Bit(status, kBadAngularDataBit) && !PulsesMissing(telegram) && !ComputerFault(telegram);
    SetPosition(v.northUp ? CPositionFrame::North : CPositionFrame::Vessel, RoundedToMicrometre(v.x * metres),
                RoundedToMicrometre(v.y * metres), RoundedToMicrometre(v.z * metres), good);
}

void CHpr309Decoder::WriteStatusLines(const CByteView& telegram)
{
    const std::uint8_t status = telegram.At(kStatus);
    std::string flags;
    AppendFlag(flags, Bit(status, 1), "SLAVE  : ", "MASTER : ");
    AppendFlag(flags, Bit(status, kNoResponseBit), "No Response to interrogation, ");
    AppendFlag(flags, Bit(status, kBadAngularDataBit), "Bad Tdpr Angular data, ");
    AppendFlag(flags, Bit(status, 2), "Reply in outer beam", "Reply in inner beam");
    FieldLine("Status         ", HexColumn(telegram, kStatus, 1), flags);
    HexLine("Timeout        ", telegram, kTimeout, 1, "%s",
            PulsesMissing(telegram) ? "Pulse(s) not received" : "All pulses received");
}

void CHpr309Decoder::WriteSequenceLine(const CByteView& telegram, const Values& values)
{
    const auto channels = static_cast<std::uint16_t>(values.sequence);
    const int ownChannel = telegram.At(kTpIndex);
    std::string text = "Telegrams available for channels:";
    for (int channel = 1; channel <= 16; ++channel) {
        if (channels & (1u << (channel - 1)))
            text += Format(channel == ownChannel ? " (%d)" : " %d", channel);
    }
    FieldLine("Tp_sequence    ", HexColumn(telegram, kTpSequence, 3), text);
}

void CHpr309Decoder::WriteTransducerLines(const CByteView& telegram, const Values& values)
{
    const std::uint8_t transducers = telegram.At(kTransducers);
    std::string flags;
    AppendFlag(flags, Bit(transducers, 0), "Stbd Td, ");
    AppendFlag(flags, Bit(transducers, 1), "Port Td, ");
    AppendFlag(flags, Bit(transducers, 2), "Narrow", "Wide");
    flags += " beam selected, ";
    AppendFlag(flags, Bit(transducers, 4), "Narrow", "Wide");
    flags += " beam used, ";
    FieldLines("Transducers    ", HexColumn(telegram, kTransducers, 1), flags,
               Format("Coordinate units are expressed in %s", values.unitWord));

    const std::uint8_t tdStatus = telegram.At(kTdStatus);
    HexLine("Td_status      ", telegram, kTdStatus, 1, "Stbd Td: %s%s,  Port Td: %s%s",
            Bit(tdStatus, 2) ? "tracking, " : "fixed, ", LookupText(kTransducerModes, tdStatus & 0x03, ""),
            Bit(tdStatus, 5) ? "tracking, " : "fixed, ", LookupText(kTransducerModes, (tdStatus >> 3) & 0x03, ""));
}

void CHpr309Decoder::WriteCsvHeader()
{
    CsvText("Time,Tdiff,Count,Status,Head,Roll,Pitch,Heading,Tp_index,X_pos,Y_pos,Z_pos,"
            "Status,Timeout,Tp_seq,Td_angle,Test,Tp_type,Tp_spec,Tdrs,"
            "Td_status,Quality,"
            "Tg_Csum,End_of_tg,Calc_Csum\n");
    CsvText("Base ->,Secs,10,Text,8,Deg,Deg,Deg,10,metre,metre,metre,"
            "8,8,8,Deg,8,10,8,8,"
            "8,metre,"
            "8,8,8\n");
}

void CHpr309Decoder::WriteCsvColumns(const CByteView& t, TelegramStatus)
{
    // Fixed positions whatever the status: bytes a short telegram lacks read as 0.
    const Values v(t);
    // One call for the whole row: Head, Roll, Pitch, Heading, Tp_index,
    // X_pos, Y_pos, Z_pos, Status, Timeout, Tp_seq, Td_angle, Test, Tp_type,
    // Tp_spec, Tdrs, Td_status, Quality, Tg_Csum, End_of_tg, Calc_Csum.
    Csv("%o,%3.1f,%3.1f,%3.1f,%d,%3.1f,%3.1f,%3.1f,%o,%o,%o,%3.1f,%o,%d,%o,%o,%o,%d,%o,%o,%o\n", t.At(kHeader),
        v.roll, v.pitch, v.course, t.At(kTpIndex), v.x, v.y, v.z, t.At(kStatus), t.At(kTimeout),
        static_cast<unsigned>(static_cast<std::int32_t>(v.sequence)), v.tdAngle, t.At(kTest), t.At(kTpType),
        t.At(kTpSpec), t.At(kTransducers), t.At(kTdStatus), t.At(kQFactor), t.At(kChecksum), t.At(kEndOfTg),
        Xor(t));
}
