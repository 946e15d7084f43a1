#include "decoders/Hpr418Decoder.h"

#include <cmath>
#include <limits>

#include "decoders/FloatText.h"
#include "decoders/Hpr418Layout.h"

namespace {

using namespace Hpr418Layout;

// A telegram of 56 bytes or more with neither message type is taken for SSBL.
constexpr int kShortestSsbl = 56;

// Where the SSBL message keeps what says how good its position is, and
// where its filtered position ends.
constexpr std::size_t kOperationModeAt = 7;
constexpr std::size_t kPosDataFormAt = 11;
constexpr std::size_t kReplyStatusAt = 12;
constexpr std::size_t kSsblPositionEnd = 25;
// The LBL message's pos_east, pos_north and depth end here, in each layout.
constexpr std::size_t kLblDPositionEnd = 19;
constexpr std::size_t kLblFPositionEnd = kLblFCommonBytes + 4;

constexpr int kReplyBad = 1;
constexpr int kRejectedByFilter = 0x08;
constexpr int kLblTrainingArray = 255;

const CCodeText kSyncModes[] = {{0, "No sychronisation"}};
const CCodeText kTpTypes[] = {
    {0, "Ordinary transponder"},
    {1, "Depth transponder"},
    {2, "Inclinometer transponder"},
    {3, "Diff. Inc. transponder"},
};
const CCodeText kTpOperations[] = {
    {0, "FIXED  standard transponder"},
    {1, "MOBILE standard transponder"},
    {2, "FIXED depth on transponder"},
    {3, "FIXED transponder and FIXED depth"},
    {4, "MOBILE transponder and FIXED depth"},
};
const CCodeText kPosDataForms[] = {{0, "VESSEL oriented, cartesian"}, {1, "NORTH oriented, cartesian"}};
const CCodeText kPositionReplies[] = {
    {0, "Position reply is GOOD"}, {1, "Position reply is BAD "}, {2, "Position reply is GOOD"}};
const CCodeText kRacReplies[] = {
    {0, ", RAC data is GOOD "}, {1, ", RAC data status unknown "}, {2, ", RAC data is BAD "}};
const CCodeText kTdBeams[] = {{0, "transducer beam is wide"}};
const CCodeText kTdTypes[] = {{0, "transducer type is wide beam only"}};
const CCodeText kSsblTdNums[] = {{1, " for transducer 1 on transceiver 1"}};
const CCodeText kSsblDiagnostics[] = {{0, " no errors on transceiver hardware"}};
const CCodeText kLblTdNums[] = {{1, "for transducer 1 on transceiver 1"}};
const CCodeText kLblDiagnostics[] = {{0, "no errors on transceiver hardware"}};

const char* TypeName(int messageType, int byteCount)
{
    if (messageType == kSsblMessage)
        return "HPR 418 SSBL";
    if (messageType == kLblMessage)
        return "HPR 418 LBL";
    return byteCount % 256 >= kShortestSsbl ? "HPR 418 SSBL" : "HPR 418 LBL";
}

// Whether the telegram holds every byte before end ahead of its trailer:
// the last three bytes of a telegram cut short are its sum and stop
// character, not the fields at their offsets, and the bytes it lacks read
// as zero. A position is taken only from bytes that arrived.
bool Arrived(const CByteView& telegram, std::size_t end)
{
    return end + kTrailerSize <= telegram.Size();
}

// The bytes from offset on; empty when the telegram ends before it.
CByteView From(const CByteView& telegram, std::size_t offset)
{
    const std::string_view bytes = telegram.Text();
    return CByteView(offset < bytes.size() ? bytes.substr(offset) : std::string_view());
}

// A double of the line as the single-precision float the rest of the
// decoding works with, rounded to the nearest as the sender's hardware
// rounds: a double beyond the largest float by less than half a step is
// that float, and only from half a step on (where the nearest float would
// be 2^128) an infinity. The limits are compared here, because converting
// a double beyond the float range is undefined in C++. NaN stays NaN.
float ToSingle(double value)
{
    constexpr float kLargest = std::numeric_limits<float>::max();
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    constexpr double kHalfStepPastLargest = 0x1.ffffffp+127;
    if (std::fabs(value) >= kHalfStepPastLargest)
        return std::signbit(value) ? -kInfinity : kInfinity;
    if (std::fabs(value) > kLargest)
        return std::signbit(value) ? -kLargest : kLargest;
    return static_cast<float>(value);
}

} // namespace

CHpr418Decoder::CHpr418Decoder(bool isVariantF)
    : CFormatDecoder(RowShape::AroundDecode), variantF(isVariantF)
{
}

TelegramStatus CHpr418Decoder::Validate(const CByteView& telegram)
{
    if (telegram.Empty())
        return kStatusTimedOut;
    if (telegram.At(telegram.Size() - 1) != kStopChar)
        return kStatusBadData;
    return kStatusOk;
}

void CHpr418Decoder::WriteCsvHeader()
{
    CsvText("Time,Tdiff,Count,Status,Start,TgLen,1,Dest,"
            "TpIdx,OpMode,SyncMode,TpTyp,TpOp,PosForm,ReplyS,FiltX,FiltY,FiltZ,X,Y,Z,SRng,"
            "Head,Roll,Pitch,TdBeam,TdTyp,TdNum,Diag,Sdev,TpRoll/Depth,TpPitch,"
            "Tg_Csum,End,Calc_Csum\n");
    CsvText("Base ->,secs,10,Text,16,10,1,10,"
            "10,10,10,10,10,10,10,metre,metre,metre,metre,metre,metre,metre,"
            "deg,deg,deg,10,10,10,10,metre,deg/metre,deg,"
            "10,16,10\n");
    CsvText("Time,Tdiff,Count,Status,Start,TgLen,2,Dest,"
            "TpArr,TdNum,East,North,Depth,Dir,Maj,Min,ZSdev,PosTyp,PosSts,,,,Head,Roll,Pitch,,,,Diag,,,,"
            "Tg_Csum,End,Calc_Csum\n");
    CsvText("Base ->,secs,10,Text,16,10,2,10,"
            "10,10,metre,metre,metre,deg,metre,metre,metre,10,10,,,,deg,deg,deg,,,,10,,,,"
            "10,16,10\n");
}

void CHpr418Decoder::DecodeFields(const CByteView& telegram, CTelegramIndex& index)
{
    const int byteCount = static_cast<int>(telegram.Size());
    const int messageType = telegram.At(kMessageTypeAt);
    ReportHeader(TypeName(messageType, byteCount), byteCount % 256);
    WriteHexHeading();
    DecodeHeader(telegram);

    std::size_t sectionEnd = kHeaderSize;
    if (messageType == kSsblMessage)
        sectionEnd = DecodeSsbl(telegram, index);
    else if (messageType == kLblMessage)
        sectionEnd = DecodeLbl(telegram, index);
    const bool sumAgrees = DecodeTrailer(telegram, sectionEnd);

    const int layoutSize = static_cast<int>((sectionEnd + kTrailerSize) % 256);
    if (byteCount != layoutSize)
        report->Append("Tg section sizing error, received %d, tg size %d\n", byteCount, layoutSize);
    // The length agrees when the bytes received are as many as the block
    // length states and as the message's layout fixes (the report compares
    // the latter only, modulo 256).
    const std::size_t received = telegram.Size();
    SetChecks(sumAgrees, received == StatedLength(telegram) && received == sectionEnd + kTrailerSize);
}

void CHpr418Decoder::DecodeHeader(const CByteView& telegram)
{
    FieldLine("start char     ", HexColumn(telegram, 0, 1), "");
    Csv(",%02x,", telegram.At(0));

    const int blockLength = telegram.U16LE(kBlockLengthAt);
    const int total = static_cast<int>(StatedLength(telegram));
    FieldLine("block_length   ", HexColumn(telegram, kBlockLengthAt, 2),
              Format("data block: %2d (%02x), total: %2d (%02x) bytes", blockLength, blockLength, total, total));
    Csv("%d,", total);

    ByteLine("message_type   ", telegram, kMessageTypeAt, Format("message type %d", telegram.At(kMessageTypeAt)));
    ByteLine("destination    ", telegram, kDestinationAt,
             Format("to Destination device %d", telegram.At(kDestinationAt)));
}

std::size_t CHpr418Decoder::DecodeSsbl(const CByteView& telegram, CTelegramIndex& index)
{
    const int tpIndex = telegram.U16LE(5);
    WordLine("tp_index       ", telegram, 5, 11, Format("for Transponder index %d", tpIndex));
    index.SetReportIndex(1, std::to_string(tpIndex));

    // Any mode but standard navigation is a simulated position, logged as 1.
    const int operationMode = telegram.At(kOperationModeAt) == 0 ? 0 : 1;
    FieldLine("operation_mode ", HexColumn(telegram, kOperationModeAt, 1),
              operationMode == 0 ? "Standard navigation mode    " : "Simulated position test mode");
    Csv("%d,", operationMode);

    CodeLine("sync_mode      ", telegram, 8, kSyncModes);
    const int tpType = CodeLine("tp_type        ", telegram, 9, kTpTypes);
    CodeLine("tp_operation   ", telegram, 10, kTpOperations);
    CodeLine("pos_data_form  ", telegram, kPosDataFormAt, kPosDataForms);

    ByteLine("reply_status   ", telegram, kReplyStatusAt, ReplyStatusText(telegram.At(kReplyStatusAt), tpType));

    static const CFloatField kPositionsAndAttitude[] = {
        {"filt_x_pos     ", 13, 10000}, {"filt_y_pos     ", 17, 10000}, {"filt_z_pos     ", 21, 10000},
        {"x_pos          ", 25, 10000}, {"y_pos          ", 29, 10000}, {"z_pos          ", 33, 10000},
        {"slant_range    ", 37, 10000}, {"p_course       ", 41, 1000},  {"p_roll         ", 45, 1000},
        {"p_pitch        ", 49, 1000},
    };
    const auto [filtX, filtY, filtZ, x, y, z, range, course, roll, pitch] =
        FloatLines(kPositionsAndAttitude, telegram);
    RecordSsblPosition(telegram, filtX, filtY, filtZ);

    CodeLine("td_beam        ", telegram, 53, kTdBeams);
    CodeLine("td_type        ", telegram, 54, kTdTypes);
    WordLine("td_num         ", telegram, 55, 10, LookupText(kSsblTdNums, telegram.U16LE(55), ""));
    WordLine("diagnostic     ", telegram, 57, 10, LookupText(kSsblDiagnostics, telegram.U16LE(57), ""));
    FloatLine({"stand_dev      ", 59, 1000000}, telegram);

    return kHeaderSize + kSsblSize + DecodeSsblExtension(telegram, tpType);
}

std::size_t CHpr418Decoder::DecodeSsblExtension(const CByteView& telegram, int tpType)
{
    static const CFloatField kDepth = {"tpdr depth     ", 63, 1000, 8, 7};
    static const CFloatField kInclination[] = {
        {"tpdr roll      ", 63, 1000, 8, 7},
        {"tpdr pitch     ", 67, 1000, 8, 7},
    };
    if (tpType == kDepthTransponder) {
        FloatLine(kDepth, telegram, ",,");
        return kDepthExtensionSize;
    }
    if (HasInclinometer(tpType)) {
        FloatLines(kInclination, telegram);
        return kInclinometerExtensionSize;
    }
    CsvText(",,");
    return 0;
}

// The SSBL message gives the transponder twice, filtered and as measured.
// The filtered position is the telegram's: it is the one the system stands
// behind (a measurement it does not trust is "Position rejected by filter",
// and the filtered position goes on), and it comes first. pos_data_form
// says how the axes lie: "VESSEL oriented, cartesian" (x starboard, y
// forward, as the BCD telegram of the HPR 418 family spells out) or "NORTH
// oriented, cartesian" (x east, y north), from the vessel; z is the
// transponder's depth. Any other form is not said to be cartesian, and a
// value the report does not read (beyond its limit, not a number) is no
// position either. The fix is not good in "Simulated position test mode",
// when the "Position reply is BAD " and when the "Position rejected by
// filter" left the filter to go on alone.
void CHpr418Decoder::RecordSsblPosition(const CByteView& telegram, CReading x, CReading y, CReading z)
{
    static const CPositionFrame kFrames[] = {CPositionFrame::Vessel, CPositionFrame::North};
    const int posDataForm = telegram.At(kPosDataFormAt);
    if (posDataForm > 1 || !x || !y || !z || !Arrived(telegram, kSsblPositionEnd))
        return;
    const int replyStatus = telegram.At(kReplyStatusAt);
    const bool good =
        telegram.At(kOperationModeAt) == 0 && replyStatus != kReplyBad && (replyStatus & kRejectedByFilter) == 0;
    SetPosition(kFrames[posDataForm], AsDecimal(*x), AsDecimal(*y), AsDecimal(*z), good);
}

std::string CHpr418Decoder::ReplyStatusText(int replyStatus, int tpType)
{
    std::string text;
    const char* position = LookupText(kPositionReplies, replyStatus, nullptr);
    if (position) {
        text = position;
        text += HasInclinometer(tpType) ? LookupText(kRacReplies, replyStatus, "") : ", no RAC data ";
    }
    AppendFlag(text, (replyStatus & kRejectedByFilter) != 0, "Position rejected by filter");
    return text;
}

std::size_t CHpr418Decoder::DecodeLbl(const CByteView& wire, CTelegramIndex& index)
{
    const std::string rebuilt = variantF ? RebuildLblTelegram(wire) : std::string();
    const CByteView telegram = variantF ? CByteView(rebuilt) : wire;

    const int tpArray = telegram.At(5);
    ByteLine("tp_array       ", telegram, 5,
             tpArray == kLblTrainingArray ? "Simulated position; LBL training mode"
                                          : Format("for Transponder array %d", tpArray));
    CodeLine("td_num         ", telegram, 6, kLblTdNums);

    static const CFloatField kPositionAndErrors[] = {
        {"pos_east       ", 7, 1000000},  {"pos_north      ", 11, 10000000},
        {"depth          ", 15, 10000},   {"h_err_el_dir   ", 19, 10000},
        {"h_err_el_major ", 23, 10000},   {"h_err_el_minor ", 27, 10000},
        {"z_stand_dev    ", 31, 1000000},
    };
    const auto [east, north, depth, errorDirection, errorMajor, errorMinor, depthDeviation] =
        FloatLines(kPositionAndErrors, telegram);

    const int posType = telegram.At(35);
    ByteLine("pos_type       ", telegram, 35, PosTypeText(posType));
    index.SetIndex(0, std::to_string(posType));

    const int posStatus = telegram.At(36);
    ByteLine("pos_status     ", telegram, 36, posStatus == 0 ? "position status is GOOD" : "position status is BAD ",
             "%d,,,,");
    RecordLblPosition(wire, east, north, depth, tpArray != kLblTrainingArray && posStatus == 0);

    FloatLine({"p_course       ", 37, 1000}, telegram);
    FloatLine({"p_roll         ", 41, 1000}, telegram);
    FloatLine({"p_pitch        ", 45, 1000}, telegram, ",,,,");

    WordLine("diagnostic     ", telegram, 49, 11, LookupText(kLblDiagnostics, telegram.U16LE(49), ""), "%d,,,,");

    return kHeaderSize + (variantF ? kLblSizeF : kLblSizeD);
}

std::string CHpr418Decoder::PosTypeText(int posType)
{
    if (posType == 0)
        return "position of the vessel";
    if (posType <= 16)
        return Format("position of ROV %d", posType);
    if (posType <= 20)
        return Format("position of RELAY %d", posType - 16);
    return {};
}

// The LBL message gives pos_east, pos_north and the depth in the grid of
// the transponder array, local or UTM (the limits of a million metres east
// and ten million north are UTM's), whether of the vessel, an ROV or a
// relay. HPR 418F sends east and north as doubles: the report shows them as
// floats, the record keeps them as sent (a float is half a metre coarse at
// UTM northings). The fix is good unless its "position status is BAD " or
// it is a "Simulated position; LBL training mode".
void CHpr418Decoder::RecordLblPosition(const CByteView& wire, CReading east, CReading north, CReading depth,
                                       bool fixGood)
{
    if (!east || !north || !depth || !Arrived(wire, variantF ? kLblFPositionEnd : kLblDPositionEnd))
        return;
    if (variantF)
        SetPosition(CPositionFrame::Grid, wire.F64LE(kLblFPosEast), wire.F64LE(kLblFPosNorth), AsDecimal(*depth),
                    fixGood);
    else
        SetPosition(CPositionFrame::Grid, AsDecimal(*east), AsDecimal(*north), AsDecimal(*depth), fixGood);
}

bool CHpr418Decoder::DecodeTrailer(const CByteView& telegram, std::size_t sectionEnd)
{
    const CByteView trailer = From(telegram, sectionEnd);
    const std::uint16_t calculated = Sum(telegram, sectionEnd);
    const int low = calculated & 0xFF;
    const int high = calculated >> 8;

    const bool agrees = trailer.At(0) == low && trailer.At(1) == high;
    if (agrees)
        FieldLineWithCalculated("sumcheck       ", HexColumn(trailer, 0, 2, 10), Format(" %02X%02X ", low, high),
                                "(calculated)     ");
    else
        FieldLineWithCalculated("sumcheck       ", HexColumn(trailer, 0, 2, 10), Format(" %02X%02X", low, high),
                                " (calculated) ERROR");
    Csv("%d,", trailer.U16LE(0));

    FieldLine("stop_char      ", HexColumn(trailer, 2, 1), "");
    Csv("%02x,%d,", trailer.At(2), static_cast<int>(static_cast<std::int16_t>(calculated)));
    return agrees;
}

std::string CHpr418Decoder::RebuildLblTelegram(const CByteView& telegram)
{
    std::string rebuilt = telegram.Bytes(0, kHeaderSize);
    rebuilt += telegram.Bytes(kLblFArrayAndTransducer, 2);
    AppendFloat(rebuilt, ToSingle(telegram.F64LE(kLblFPosEast)));
    AppendFloat(rebuilt, ToSingle(telegram.F64LE(kLblFPosNorth)));
    rebuilt += telegram.Bytes(kLblFCommonBytes, kLblCommonSize);
    return rebuilt;
}

void CHpr418Decoder::ByteLine(const char* label, const CByteView& telegram, std::size_t offset,
                              std::string_view interpretation, const char* csvFormat)
{
    FieldLine(label, HexColumn(telegram, offset, 1), interpretation);
    Csv(csvFormat, telegram.At(offset));
}

void CHpr418Decoder::WordLine(const char* label, const CByteView& telegram, std::size_t offset, std::size_t width,
                              std::string_view interpretation, const char* csvFormat)
{
    FieldLine(label, HexColumn(telegram, offset, 2, width), interpretation);
    Csv(csvFormat, telegram.U16LE(offset));
}

template <std::size_t N>
int CHpr418Decoder::CodeLine(const char* label, const CByteView& telegram, std::size_t offset,
                             const CCodeText (&texts)[N])
{
    const int value = telegram.At(offset);
    ByteLine(label, telegram, offset, LookupText(texts, value, ""));
    return value;
}

// A float is interpreted as "%.1f" (or "%7.1f" with a width) and ten
// blanks, and logged in full as "%3.1f" and the separators after it.
CHpr418Decoder::CReading CHpr418Decoder::FloatLine(const CFloatField& field, const CByteView& telegram,
                                                   const char* csvAfter)
{
    const float value = telegram.F32LE(field.offset);
    const std::string text = OneDecimal(value);
    const bool read = std::fabs(value) < field.limit;
    FieldLine(field.label, HexColumn(telegram, field.offset, 4, field.width),
              read ? AlignRight(text, field.interpretationWidth) + "          " : std::string());
    if (IsCsvOpen())
        CsvText((text + csvAfter).c_str());
    return read ? CReading(value) : std::nullopt;
}

template <std::size_t N>
std::array<CHpr418Decoder::CReading, N> CHpr418Decoder::FloatLines(const CFloatField (&fields)[N],
                                                                   const CByteView& telegram)
{
    std::array<CReading, N> readings;
    for (std::size_t i = 0; i < N; ++i)
        readings[i] = FloatLine(fields[i], telegram);
    return readings;
}
