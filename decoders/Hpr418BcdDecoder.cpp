#include "decoders/Hpr418BcdDecoder.h"

#include <initializer_list>
#include <string>

#include "decoders/CodeText.h"
#include "decoders/FloatText.h"

namespace {

using namespace Hpr418BcdLayout;

// A head byte shown as an LBL message too.
constexpr int kLblShownUnknown = 4;

constexpr int kSlotsInReport = 11;

const CCodeText kTypeNames[] = {
    {kSsbl, "418BCD SSBL"}, {kLbl, "418BCD LBL"}, {kSequence, "418BCD TSEQ"},
};

const CCodeText kTpTypes[] = {
    {0, "Standard TP"},         {1, "Depth TP"},   {2, "Inclinometer TP"},    {3, "Diff. Inc. TP"},
    {4, "Compass TP"},          {5, "Acoustic control TP"}, {6, "Beacon"},    {7, "Depth beacon"},
    {0x10, "Responder driver 1"}, {0x13, "Responder driver 4"},
};

int Bcd(const CByteView& t, const CBcdField& field)
{
    return static_cast<int>(field.Count(t));
}

// Whether a position's numbers can be read: the sender converted them (no
// "BCD Conversion error") and packed only decimal digits.
bool PositionReadable(const CByteView& t, std::initializer_list<CBcdField> coordinates)
{
    if (t.At(kStatus1) & kBcdConversionError)
        return false;
    for (const CBcdField& coordinate : coordinates)
        if (!coordinate.IsDecimal(t))
            return false;
    return true;
}

// The sender's own word on the fix: "Position BAD", or "TRAINING" mode.
bool FixGood(const CByteView& t)
{
    return (t.At(kStatus1) & kPositionOk) != 0 && (t.At(kStatus2) & kTraining) == 0;
}

// A coordinate as the record keeps it: counts times the field's unit, to
// the micrometre.
double Metres(const CByteView& t, const CBcdField& field)
{
    return RoundedToMicrometre(field.Value(t));
}

} // namespace

CHpr418BcdDecoder::CHpr418BcdDecoder() : CFormatDecoder(RowShape::AfterDecode) {}

TelegramStatus CHpr418BcdDecoder::Validate(const CByteView& telegram)
{
    if (telegram.Empty())
        return kStatusTimedOut;
    if (telegram.Size() < kLength || telegram.At(kStart) != kStartByte || telegram.At(kEnd) != kEndByte)
        return kStatusBadData;
    return ChecksumMatches(telegram) ? kStatusOk : kStatusChecksumError;
}

void CHpr418BcdDecoder::DecodeFields(const CByteView& telegram, CTelegramIndex& index)
{
    const int messageType = telegram.At(kHeadByte);
    ReportHeader(LookupText(kTypeNames, messageType, "UNKNOWN"), static_cast<int>(telegram.Size()));
    WriteHexHeading();
    HexLine("SOT            ", telegram, kStart, 1, "Start of telegram   (DF)");
    HexLine("Head byte      ", telegram, kHeadByte, 1, "Message type        (%d)", messageType);
    if (messageType == kSequence) {
        WriteSequenceLines(telegram);
    } else {
        WriteStatus1Line(telegram, messageType);
        WriteStatus2Line(telegram, messageType);
        if (messageType == kSsbl) {
            WriteSsblLines(telegram, index);
        } else if (messageType == kLbl || messageType == kLblShownUnknown) {
            WriteLblLines(telegram, index);
        } else {
            // The message stands between three empty lines on each side.
            for (int i = 0; i < 3; ++i)
                report->NewLine();
            report->AppendText("Unrecognised message type");
            for (int i = 0; i < 4; ++i)
                report->NewLine();
        }
        WriteEllipseLines(telegram);
    }
    HexLine("Checksum       ", telegram, kChecksum, 1, "%02X is calculated checksum",
            Checksum(telegram));
    HexLine("EOR            ", telegram, kEnd, 1, "End of telegram     (FF)");
    // A telegram whose checksum is wrong is not decoded; one longer than 32
    // bytes is decoded from its first 32.
    SetChecks(true, telegram.Size() == kLength);
}

void CHpr418BcdDecoder::WriteStatus1Line(const CByteView& telegram, int messageType)
{
    const std::uint8_t status = telegram.At(kStatus1);
    std::string flags;
    AppendFlag(flags, status & kSlave, "SLAVE: ", "MASTER: ");
    if (status & kBcdConversionError) {
        // The sender could not convert its numbers: no other status word means anything.
        flags += "BCD Conversion error";
    } else {
        flags += "Position ";
        AppendFlag(flags, status & kPositionOk, "OK", "BAD");
        AppendFlag(flags, status & kFiltered, " , Filtered");
        AppendFlag(flags, status & kPredicted, " , Predicted");
        AppendFlag(flags, status & kOptionalDataOk, "; Optional data OK");
        if (messageType == kSsbl) {
            const int tpType = telegram.At(kTpInf);
            if (status & kAdditionalDataOk)
                flags += ". Additional data OK.";
            else if (tpType >= kDepthTp && tpType <= kCompassTp)
                flags += ". Additional data BAD.";
            else
                flags += ". No Additional data.";
        }
    }
    FieldLine("Status_1       ", HexColumn(telegram, kStatus1, 1), flags);
}

void CHpr418BcdDecoder::WriteStatus2Line(const CByteView& telegram, int messageType)
{
    const std::uint8_t status = telegram.At(kStatus2);
    std::string flags = Format("Tdr %d, Tcvr %d, Mode: ", (status & 0x03) + 1, ((status >> 2) & 0x03) + 1);
    AppendFlag(flags, status & kTraining, "TRAINING", "Operational");
    if (messageType == kSsbl) {
        flags += ", TP is ";
        AppendFlag(flags, status & kMobile, "Mobile", "FIXED");
    } else if (messageType == kLbl || messageType == kLblShownUnknown) {
        flags += ", Posn. in ";
        AppendFlag(flags, status & kUtmGrid, "UTM grid", "Local grid");
    }
    FieldLine("Status_2       ", HexColumn(telegram, kStatus2, 1), flags);
}

void CHpr418BcdDecoder::WriteSsblLines(const CByteView& telegram, CTelegramIndex& index)
{
    const int tpType = telegram.At(kTpInf);
    HexLine("TP.inf.        ", telegram, kTpInf, 1, "TP type is %d :%s", tpType,
            LookupText(kTpTypes, tpType, "UNKNOWN"));
    const int tpIndex = Bcd(telegram, kSsblTpIndex);
    HexLine("TP index       ", telegram, kSsblTpIndex.offset, kSsblTpIndex.length, "Telegram for TP index %d",
            tpIndex);
    index.SetReportIndex(1, std::to_string(tpIndex));
    const double x = kSsblX.Value(telegram);
    const double y = kSsblY.Value(telegram);
    const double z = kSsblZ.Value(telegram);
    HexLine("X position     ", telegram, kSsblX.offset, kSsblX.length,
            "%.1f is USBL Athwartships (Starboard positive)", x);
    HexLine("Y position     ", telegram, kSsblY.offset, kSsblY.length, "%.1f is USBL Alongships (Forward positive)", y);
    HexLine("Z position     ", telegram, kSsblZ.offset, kSsblZ.length, "%.1f is USBL Depth of tpdr", z);
    // Starboard and forward from the vessel, the depth down.
    if (PositionReadable(telegram, {kSsblX, kSsblY, kSsblZ}))
        SetPosition(CPositionFrame::Vessel, Metres(telegram, kSsblX), Metres(telegram, kSsblY),
                    Metres(telegram, kSsblZ), FixGood(telegram));
    HexLine("Heading        ", telegram, kSsblHeading.offset, kSsblHeading.length, "%.1f degrees is Ship's heading",
            kSsblHeading.Value(telegram));
    WriteSensorLines(telegram);
}

// Bytes 18 to 23 carry the transponder's own sensor data, or the ship's attitude.
void CHpr418BcdDecoder::WriteSensorLines(const CByteView& telegram)
{
    const CBcdField& first = kSensorFirst;
    const CBcdField& second = kSensorSecond;
    const char* quality = (telegram.At(kStatus1) & kAdditionalDataOk) ? ", OK" : ", BAD";
    switch (telegram.At(kTpInf)) {
    case kDepthTp:
        HexLine("Tpdr Depth     ", telegram, first.offset, first.length, "%.1f metres of Depth from Tpdr",
                first.Value(telegram));
        break;
    case kInclinometerTp:
    case kDiffIncTp:
        HexLine("Tpdr X angle   ", telegram, first.offset, first.length, "%.1f degrees of roll from Tpdr%s",
                first.Value(telegram), quality);
        HexLine("Tpdr Y angle   ", telegram, second.offset, second.length, "%.1f degrees of pitch from Tpdr%s",
                second.Value(telegram), quality);
        break;
    case kCompassTp:
        HexLine("Tpdr Heading   ", telegram, kSensorHeading.offset, kSensorHeading.length, "%.1f degrees from Tpdr",
                kSensorHeading.Value(telegram));
        break;
    default:
        HexLine("Roll           ", telegram, first.offset, first.length, "%.1f degrees of Ship's roll",
                first.Value(telegram));
        HexLine("Pitch          ", telegram, second.offset, second.length, "%.1f degrees of Ship's pitch",
                second.Value(telegram));
        break;
    }
}

void CHpr418BcdDecoder::WriteLblLines(const CByteView& telegram, CTelegramIndex& index)
{
    const std::uint8_t positionType = telegram.At(kTpInf);
    const int position = Bcd(telegram, kLblPositionType);
    std::string positionText;
    if (positionType == 0)
        positionText = "Position of vessel";
    else if (position >= 1 && position <= 16)
        positionText = Format("Position of ROV %d", position);
    else if (position >= 17 && position <= 20)
        positionText = Format("Position of Relay %d", position - 16);
    else
        positionText = "Position type UNKNOWN";
    FieldLine("TP. inf.       ", HexColumn(telegram, kTpInf, 1), positionText);
    // The timing window keys LBL positions on the byte as sent, not its BCD value.
    index.SetIndex(1, std::to_string(positionType));

    const int array = telegram.At(kLblArray);
    FieldLine("TP. array      ", HexColumn(telegram, kLblArray, 1),
              array < 5 ? Format("TP. array %d", array) : "TP. array UNKNOWN");

    const bool utm = telegram.At(kStatus2) & kUtmGrid;
    const double northings = kLblNorthings.Value(telegram);
    const double eastings = kLblEastings.Value(telegram);
    const double depth = kLblDepth.Value(telegram);
    HexLine("X position     ", telegram, kLblNorthings.offset, kLblNorthings.length, "%.2f is %s", northings,
            utm ? "UTM Northings" : "Northings");
    HexLine("Y position     ", telegram, kLblEastings.offset, kLblEastings.length, "%.2f is %s", eastings,
            utm ? "UTM Eastings" : "Eastings");
    HexLine("Z position     ", telegram, kLblDepth.offset, kLblDepth.length, "%.1f  is Depth", depth);
    // A grid position, local or UTM, with X the northings and Y the eastings:
    // the record's x is the eastings.
    if (PositionReadable(telegram, {kLblNorthings, kLblEastings, kLblDepth}))
        SetPosition(CPositionFrame::Grid, Metres(telegram, kLblEastings), Metres(telegram, kLblNorthings),
                    Metres(telegram, kLblDepth), FixGood(telegram));
    HexLine("Heading        ", telegram, kLblHeading.offset, kLblHeading.length, "%.1f  degrees is Ship's heading",
            kLblHeading.Value(telegram));
    HexLine("Update period  ", telegram, kLblUpdatePeriod.offset, kLblUpdatePeriod.length,
            "%.2f seconds is Ship's position update period", kLblUpdatePeriod.Value(telegram));
    FieldLine("NOT USED       ", HexColumn(telegram, kLblNotUsed, 1, 0), "");
}

void CHpr418BcdDecoder::WriteSequenceLines(const CByteView& telegram)
{
    FieldLine("No. of TP.s    ", HexColumn(telegram, kTpCount.offset, kTpCount.length, 10),
              Format("%2d TP.s in the sequence", Bcd(telegram, kTpCount)));
    // The last two slots reach only the CSV row.
    for (int slot = 1; slot <= kSlotsInReport; ++slot) {
        const long tpIndex = Bcd(telegram, Slot(slot));
        std::string text;
        if (tpIndex == kShipPosition)
            text = Format("%2d: Telegram for Ship position", slot);
        else if (tpIndex != 0)
            text = Format("%2d: Telegram for TP index '%3ld'", slot, tpIndex);
        FieldLine("TP index       ", HexColumn(telegram, Slot(slot).offset, Slot(slot).length, 10), text);
    }
    FieldLine("NOT USED       ", HexColumn(telegram, kSequenceNotUsed, 1, 0), "");
}

void CHpr418BcdDecoder::WriteEllipseLines(const CByteView& telegram)
{
    HexLine("h_err_el_dir   ", telegram, kEllipseDirection.offset, kEllipseDirection.length,
            "%.1f degrees is XY error ellipse direction", kEllipseDirection.Value(telegram));
    HexLine("h_err_el_maj   ", telegram, kEllipseMajor.offset, kEllipseMajor.length,
            "%.1f is MAX. of XY error ellipse", kEllipseMajor.Value(telegram));
    HexLine("h_err_el_min   ", telegram, kEllipseMinor.offset, kEllipseMinor.length,
            "%.1f is MIN. of XY error ellipse", kEllipseMinor.Value(telegram));
}

void CHpr418BcdDecoder::WriteCsvHeader()
{
    CsvText("Time,Tdiff,Count,Status,SOT,"
            "1,Stat1,Stat2,TPinf,Tp_id,X_raw,Y_raw,Z_raw,Head,Roll,Pitch,Dir,Maj,Min,,,"
            "Tg_Csum,End,Calc_Csum\n");
    CsvText("Base ->,secs,10,Text,16,"
            "1,16,16,10,10,metre,metre,metre,deg,deg,deg,deg,metre,metre,,,"
            "10,16,10\n");
    CsvText("Time,Tdiff,Count,Status,SOT,"
            "2,Stat1,Stat2,TPinf,Tp_ary,N_raw,E_raw,Z_raw,Head,Period,N/A,Dir,Maj,Min,,,"
            "Tg_Csum,End,Calc_Csum\n");
    CsvText("Base ->,secs,10,Text,16,"
            "2,16,16,10,10,metre,metre,metre,deg,secs,10,deg,metre,metre,,,"
            "10,16,10\n");
    CsvText("Time,Tdiff,Count,Status,SOT,"
            "3,N_tps,TP1,TP2,TP3,TP4,TP5,TP6,TP7,TP8,TP9,TP10,TP11,TP12,TP13,N/A,"
            "Tg_Csum,End,Calc_Csum\n");
    CsvText("Base ->,secs,10,Text,16,"
            "3,10,10,10,10,10,10,10,10,10,10,10,10,10,10,10,"
            "10,16,10\n");
}

void CHpr418BcdDecoder::WriteCsvColumns(const CByteView& t, TelegramStatus)
{
    // Fixed positions whatever the status: bytes a short telegram lacks read as 0.
    const int messageType = t.At(kHeadByte);
    Csv("%2x,%d,", t.At(kStart), messageType);
    if (messageType == kSequence) {
        Csv("%d,", Bcd(t, kTpCount));
        for (int slot = 1; slot <= kSlots; ++slot)
            Csv("%d,", Bcd(t, Slot(slot)));
        Csv("%d,", t.At(kSequenceNotUsed));
    } else {
        Csv("%x,%x,%d,", t.At(kStatus1), t.At(kStatus2), t.At(kTpInf));
        if (messageType == kSsbl) {
            Csv("%d,", Bcd(t, kSsblTpIndex));
            Csv("%3.1f,%3.1f,%3.1f,", kSsblX.Value(t), kSsblY.Value(t), kSsblZ.Value(t));
            Csv("%3.1f,", kSsblHeading.Value(t));
            Csv("%3.1f,%3.1f,", kSensorFirst.Value(t), kSensorSecond.Value(t));
        } else if (messageType == kLbl) {
            Csv("%d,", t.At(kLblArray));
            Csv("%4.2f,%4.2f,", kLblNorthings.Value(t), kLblEastings.Value(t));
            Csv("%3.1f,", kLblDepth.Value(t));
            Csv("%3.1f,", kLblHeading.Value(t));
            Csv("%4.2f,", kLblUpdatePeriod.Value(t));
            Csv("%d,", t.At(kLblNotUsed));
        } else {
            CsvText("UNKNOWN MESSAGE TYPE,");
        }
        Csv("%3.1f,%3.1f,%3.1f,,,", kEllipseDirection.Value(t), kEllipseMajor.Value(t), kEllipseMinor.Value(t));
    }
    Csv("%d,%2x,%d\n", t.At(kChecksum), t.At(kEnd), Checksum(t));
}
