#include "decoders/Hpr418BcdDecoder.h"

#include "decoders/CodeText.h"
#include "decoders/PackedNumber.h"

namespace {

enum MessageType : int { kSsbl = 1, kLbl = 2, kSequence = 3, kLblShownUnknown = 4 };

// Byte offsets shared by the messages.
enum : std::size_t {
    kSot = 0,
    kHeadByte = 1,
    kStatus1 = 2,
    kStatus2 = 3,
    kTpInf = 4,
    kEllipseDirection = 24,
    kEllipseMajor = 26,
    kEllipseMinor = 28,
    kChecksum = 30,
    kEor = 31
};

// SSBL body.
enum : std::size_t {
    kSsblTpIndex = 5,
    kSsblX = 7,
    kSsblY = 10,
    kSsblZ = 13,
    kSsblHeading = 16,
    kSensorFirst = 18,
    kSensorSecond = 21
};

// LBL body.
enum : std::size_t {
    kLblArray = 5,
    kLblNorthings = 6,
    kLblEastings = 11,
    kLblDepth = 16,
    kLblHeading = 19,
    kLblUpdatePeriod = 21,
    kLblNotUsed = 23
};

// Transponder sequence body.
enum : std::size_t { kTpCount = 2, kSequenceNotUsed = 29 };
constexpr int kSlots = 13;
constexpr int kSlotsInReport = 11;
constexpr int kShipPositionSlot = 300;

// The transponder types whose sensor data replaces the ship's attitude.
enum TpType : int { kDepthTp = 1, kInclinometerTp = 2, kDiffIncTp = 3, kCompassTp = 4 };

// Status_1 bits.
constexpr std::uint8_t kPositionOk = 0x01;
constexpr std::uint8_t kFiltered = 0x02;
constexpr std::uint8_t kPredicted = 0x04;
constexpr std::uint8_t kAdditionalDataOk = 0x08;
constexpr std::uint8_t kOptionalDataOk = 0x10;
constexpr std::uint8_t kSlave = 0x20;
constexpr std::uint8_t kBcdConversionError = 0x40;

// Status_2 bits.
constexpr std::uint8_t kTraining = 0x10;
constexpr std::uint8_t kMobile = 0x20;
constexpr std::uint8_t kUtmGrid = 0x40;

const CCodeText kTypeNames[] = {
    {kSsbl, "418BCD SSBL"}, {kLbl, "418BCD LBL"}, {kSequence, "418BCD TSEQ"},
};

const CCodeText kTpTypes[] = {
    {0, "Standard TP"},         {1, "Depth TP"},   {2, "Inclinometer TP"},    {3, "Diff. Inc. TP"},
    {4, "Compass TP"},          {5, "Acoustic control TP"}, {6, "Beacon"},    {7, "Depth beacon"},
    {0x10, "Responder driver 1"}, {0x13, "Responder driver 4"},
};

int Bcd(const CByteView& t, std::size_t offset, std::size_t length)
{
    return static_cast<int>(CPackedNumber::SignedBcd(t, offset, length));
}

double Tenths(const CByteView& t, std::size_t offset, std::size_t length)
{
    return static_cast<double>(CPackedNumber::SignedBcd(t, offset, length)) * 0.1;
}

double Hundredths(const CByteView& t, std::size_t offset, std::size_t length)
{
    return static_cast<double>(CPackedNumber::SignedBcd(t, offset, length)) * 0.01;
}

std::size_t SlotOffset(int slot)
{
    return 1 + 2 * static_cast<std::size_t>(slot);
}

} // namespace

CHpr418BcdDecoder::CHpr418BcdDecoder() : CFormatDecoder(RowShape::AfterDecode) {}

std::uint8_t CHpr418BcdDecoder::CalculatedChecksum(const CByteView& telegram)
{
    return telegram.Xor(0, kChecksum) & 0x7F;
}

TelegramStatus CHpr418BcdDecoder::Validate(const CByteView& telegram)
{
    if (telegram.Empty())
        return kStatusTimedOut;
    if (telegram.Size() < kLength || telegram.At(kSot) != kStartByte || telegram.At(kEor) != kEndByte)
        return kStatusBadData;
    // Bit 7 of the checksum byte carries nothing.
    if ((telegram.Xor(0, kLength) & 0x7F) == 0x7F)
        return kStatusOk;
    return kStatusChecksumError;
}

void CHpr418BcdDecoder::DecodeFields(const CByteView& telegram, CTelegramIndex& index)
{
    const int messageType = telegram.At(kHeadByte);
    ReportHeader(LookupText(kTypeNames, messageType, "UNKNOWN"), static_cast<int>(telegram.Size()));
    WriteHexHeading();
    HexLine("SOT            ", telegram, kSot, 1, "Start of telegram   (DF)");
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
                EndLine();
            report->AppendText("Unrecognised message type");
            for (int i = 0; i < 4; ++i)
                EndLine();
        }
        WriteEllipseLines(telegram);
    }
    HexLine("Checksum       ", telegram, kChecksum, 1, "%02X is calculated checksum",
            CalculatedChecksum(telegram));
    HexLine("EOR            ", telegram, kEor, 1, "End of telegram     (FF)");
}

void CHpr418BcdDecoder::WriteStatus1Line(const CByteView& telegram, int messageType)
{
    const std::uint8_t status = telegram.At(kStatus1);
    HexField("Status_1       ", telegram, kStatus1, 1);
    AppendFlag(status & kSlave, "SLAVE: ", "MASTER: ");
    if (status & kBcdConversionError) {
        // The sender could not convert its numbers: no other status word means anything.
        report->AppendText("BCD Conversion error");
        EndLine();
        return;
    }
    report->AppendText("Position ");
    AppendFlag(status & kPositionOk, "OK", "BAD");
    AppendFlag(status & kFiltered, " , Filtered");
    AppendFlag(status & kPredicted, " , Predicted");
    AppendFlag(status & kOptionalDataOk, "; Optional data OK");
    if (messageType == kSsbl) {
        const int tpType = telegram.At(kTpInf);
        if (status & kAdditionalDataOk)
            report->AppendText(". Additional data OK.");
        else if (tpType >= kDepthTp && tpType <= kCompassTp)
            report->AppendText(". Additional data BAD.");
        else
            report->AppendText(". No Additional data.");
    }
    EndLine();
}

void CHpr418BcdDecoder::WriteStatus2Line(const CByteView& telegram, int messageType)
{
    const std::uint8_t status = telegram.At(kStatus2);
    HexField("Status_2       ", telegram, kStatus2, 1);
    report->Append("Tdr %d, Tcvr %d, Mode: ", (status & 0x03) + 1, ((status >> 2) & 0x03) + 1);
    AppendFlag(status & kTraining, "TRAINING", "Operational");
    if (messageType == kSsbl) {
        report->AppendText(", TP is ");
        AppendFlag(status & kMobile, "Mobile", "FIXED");
    } else if (messageType == kLbl || messageType == kLblShownUnknown) {
        report->AppendText(", Posn. in ");
        AppendFlag(status & kUtmGrid, "UTM grid", "Local grid");
    }
    EndLine();
}

void CHpr418BcdDecoder::WriteSsblLines(const CByteView& telegram, CTelegramIndex& index)
{
    const int tpType = telegram.At(kTpInf);
    HexLine("TP.inf.        ", telegram, kTpInf, 1, "TP type is %d :%s", tpType,
            LookupText(kTpTypes, tpType, "UNKNOWN"));
    const int tpIndex = Bcd(telegram, kSsblTpIndex, 2);
    HexLine("TP index       ", telegram, kSsblTpIndex, 2, "Telegram for TP index %d", tpIndex);
    report->indexText = std::to_string(tpIndex);
    index.SetIndex(1, report->indexText);
    HexLine("X position     ", telegram, kSsblX, 3, "%.1f is USBL Athwartships (Starboard positive)",
            Tenths(telegram, kSsblX, 3));
    HexLine("Y position     ", telegram, kSsblY, 3, "%.1f is USBL Alongships (Forward positive)",
            Tenths(telegram, kSsblY, 3));
    HexLine("Z position     ", telegram, kSsblZ, 3, "%.1f is USBL Depth of tpdr", Tenths(telegram, kSsblZ, 3));
    HexLine("Heading        ", telegram, kSsblHeading, 2, "%.1f degrees is Ship's heading",
            Tenths(telegram, kSsblHeading, 2));
    WriteSensorLines(telegram);
}

// Bytes 18 to 23 carry the transponder's own sensor data, or the ship's attitude.
void CHpr418BcdDecoder::WriteSensorLines(const CByteView& telegram)
{
    const double first = Tenths(telegram, kSensorFirst, 3);
    const double second = Tenths(telegram, kSensorSecond, 3);
    const char* quality = (telegram.At(kStatus1) & kAdditionalDataOk) ? ", OK" : ", BAD";
    switch (telegram.At(kTpInf)) {
    case kDepthTp:
        HexLine("Tpdr Depth     ", telegram, kSensorFirst, 3, "%.1f metres of Depth from Tpdr", first);
        break;
    case kInclinometerTp:
    case kDiffIncTp:
        HexLine("Tpdr X angle   ", telegram, kSensorFirst, 3, "%.1f degrees of roll from Tpdr%s", first, quality);
        HexLine("Tpdr Y angle   ", telegram, kSensorSecond, 3, "%.1f degrees of pitch from Tpdr%s", second,
                quality);
        break;
    case kCompassTp:
        HexLine("Tpdr Heading   ", telegram, kSensorFirst, 2, "%.1f degrees from Tpdr",
                Tenths(telegram, kSensorFirst, 2));
        break;
    default:
        HexLine("Roll           ", telegram, kSensorFirst, 3, "%.1f degrees of Ship's roll", first);
        HexLine("Pitch          ", telegram, kSensorSecond, 3, "%.1f degrees of Ship's pitch", second);
        break;
    }
}

void CHpr418BcdDecoder::WriteLblLines(const CByteView& telegram, CTelegramIndex& index)
{
    const std::uint8_t positionType = telegram.At(kTpInf);
    const int position = Bcd(telegram, kTpInf, 1);
    HexField("TP. inf.       ", telegram, kTpInf, 1);
    if (positionType == 0)
        report->AppendText("Position of vessel");
    else if (position >= 1 && position <= 16)
        report->Append("Position of ROV %d", position);
    else if (position >= 17 && position <= 20)
        report->Append("Position of Relay %d", position - 16);
    else
        report->AppendText("Position type UNKNOWN");
    EndLine();
    // The timing window keys LBL positions on the byte as sent, not its BCD value.
    index.SetIndex(1, std::to_string(positionType));

    const int array = telegram.At(kLblArray);
    HexField("TP. array      ", telegram, kLblArray, 1);
    if (array < 5)
        report->Append("TP. array %d", array);
    else
        report->AppendText("TP. array UNKNOWN");
    EndLine();

    const bool utm = telegram.At(kStatus2) & kUtmGrid;
    HexLine("X position     ", telegram, kLblNorthings, 5, "%.2f is %s", Hundredths(telegram, kLblNorthings, 5),
            utm ? "UTM Northings" : "Northings");
    HexLine("Y position     ", telegram, kLblEastings, 5, "%.2f is %s", Hundredths(telegram, kLblEastings, 5),
            utm ? "UTM Eastings" : "Eastings");
    HexLine("Z position     ", telegram, kLblDepth, 3, "%.1f  is Depth", Tenths(telegram, kLblDepth, 3));
    HexLine("Heading        ", telegram, kLblHeading, 2, "%.1f  degrees is Ship's heading",
            Tenths(telegram, kLblHeading, 2));
    HexLine("Update period  ", telegram, kLblUpdatePeriod, 2, "%.2f seconds is Ship's position update period",
            Hundredths(telegram, kLblUpdatePeriod, 2));
    HexField("NOT USED       ", telegram, kLblNotUsed, 1, 0);
    EndLine();
}

void CHpr418BcdDecoder::WriteSequenceLines(const CByteView& telegram)
{
    HexField("No. of TP.s    ", telegram, kTpCount, 1, 10);
    report->Append("%2d TP.s in the sequence", Bcd(telegram, kTpCount, 1));
    EndLine();
    // The last two slots reach only the CSV row.
    for (int slot = 1; slot <= kSlotsInReport; ++slot) {
        const long tpIndex = Bcd(telegram, SlotOffset(slot), 2);
        HexField("TP index       ", telegram, SlotOffset(slot), 2, 10);
        if (tpIndex == kShipPositionSlot)
            report->Append("%2d: Telegram for Ship position", slot);
        else if (tpIndex != 0)
            report->Append("%2d: Telegram for TP index '%3ld'", slot, tpIndex);
        EndLine();
    }
    HexField("NOT USED       ", telegram, kSequenceNotUsed, 1, 0);
    EndLine();
}

void CHpr418BcdDecoder::WriteEllipseLines(const CByteView& telegram)
{
    HexLine("h_err_el_dir   ", telegram, kEllipseDirection, 2, "%.1f degrees is XY error ellipse direction",
            Tenths(telegram, kEllipseDirection, 2));
    HexLine("h_err_el_maj   ", telegram, kEllipseMajor, 2, "%.1f is MAX. of XY error ellipse",
            Tenths(telegram, kEllipseMajor, 2));
    HexLine("h_err_el_min   ", telegram, kEllipseMinor, 2, "%.1f is MIN. of XY error ellipse",
            Tenths(telegram, kEllipseMinor, 2));
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
    Csv("%2x,%d,", t.At(kSot), messageType);
    if (messageType == kSequence) {
        Csv("%d,", Bcd(t, kTpCount, 1));
        for (int slot = 1; slot <= kSlots; ++slot)
            Csv("%d,", Bcd(t, SlotOffset(slot), 2));
        Csv("%d,", t.At(kSequenceNotUsed));
    } else {
        Csv("%x,%x,%d,", t.At(kStatus1), t.At(kStatus2), t.At(kTpInf));
        if (messageType == kSsbl) {
            Csv("%d,", Bcd(t, kSsblTpIndex, 2));
            Csv("%3.1f,%3.1f,%3.1f,", Tenths(t, kSsblX, 3), Tenths(t, kSsblY, 3), Tenths(t, kSsblZ, 3));
            Csv("%3.1f,", Tenths(t, kSsblHeading, 2));
            Csv("%3.1f,%3.1f,", Tenths(t, kSensorFirst, 3), Tenths(t, kSensorSecond, 3));
        } else if (messageType == kLbl) {
            Csv("%d,", t.At(kLblArray));
            Csv("%4.2f,%4.2f,", Hundredths(t, kLblNorthings, 5), Hundredths(t, kLblEastings, 5));
            Csv("%3.1f,", Tenths(t, kLblDepth, 3));
            Csv("%3.1f,", Tenths(t, kLblHeading, 2));
            Csv("%4.2f,", Hundredths(t, kLblUpdatePeriod, 2));
            Csv("%d,", t.At(kLblNotUsed));
        } else {
            CsvText("UNKNOWN MESSAGE TYPE,");
        }
        Csv("%3.1f,%3.1f,%3.1f,,,", Tenths(t, kEllipseDirection, 2), Tenths(t, kEllipseMajor, 2),
            Tenths(t, kEllipseMinor, 2));
    }
    Csv("%d,%2x,%d\n", t.At(kChecksum), t.At(kEor), CalculatedChecksum(t));
}
