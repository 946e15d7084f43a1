#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <limits>
#include <set>

#include "decoders/FormatTable.h"
#include "decoders/Hpr418Decoder.h"
#include "decoders/TelegramGenerator.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/decoders/PositionTestSupport.h"

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;

std::string LittleEndian(std::uint64_t value, int size)
{
    std::string bytes;
    for (int i = 0; i < size; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::string U16(int value) { return LittleEndian(static_cast<std::uint16_t>(value), 2); }

std::string F32(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return LittleEndian(bits, 4);
}

std::string F64(double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return LittleEndian(bits, 8);
}

// The bytes as the raw column shows them, two upper-case digits each.
std::string HexOf(const std::string& bytes)
{
    std::string hex;
    for (const char byte : bytes) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02X", byte & 0xFF);
        hex += digits;
    }
    return hex;
}

// Header, section, then the right sum and the stop character; the block
// length states the section's size unless told another.
std::string Telegram(int messageType, const std::string& section, int blockLength = -1)
{
    const int stated = blockLength < 0 ? static_cast<int>(section.size()) : blockLength;
    std::string bytes = Bytes({0x02}) + U16(stated) + Bytes({messageType, 3}) + section;
    int sum = 0;
    for (const char byte : bytes)
        sum += static_cast<unsigned char>(byte);
    return bytes + U16(sum) + Bytes({0xAA});
}

struct CSsbl {
    int tpIndex = 7, operationMode = 0, syncMode = 0, tpType = 0, tpOperation = 1, posDataForm = 1, replyStatus = 0;
    float positions[10] = {10.5f, -20.5f, 30.5f, 11.5f, -21.5f, 31.5f, 40.5f, 90.5f, 1.5f, -2.5f};
    int tdBeam = 0, tdType = 0, tdNum = 1, diagnostic = 0;
    float standDev = 0.5f;
    float extension[2] = {55.5f, -4.5f};

    std::string Section() const
    {
        std::string bytes = U16(tpIndex) + Bytes({operationMode, syncMode, tpType, tpOperation, posDataForm, replyStatus});
        for (const float value : positions)
            bytes += F32(value);
        bytes += Bytes({tdBeam, tdType}) + U16(tdNum) + U16(diagnostic) + F32(standDev);
        if (tpType == 1)
            bytes += F32(extension[0]);
        if (tpType == 2 || tpType == 3)
            bytes += F32(extension[0]) + F32(extension[1]);
        return bytes;
    }
    std::string Wire() const { return Telegram(1, Section()); }
};

struct CLbl {
    bool variantF = false;
    int tpArray = 2, tdNum = 1;
    double east = 1500.5, north = 2500.5;
    float errors[5] = {120.5f, 45.5f, 1.5f, 0.5f, 2.5f};  // depth, ellipse, z_stand_dev
    int posType = 3, posStatus = 0;
    float attitude[3] = {180.5f, -0.5f, 0.5f};
    int diagnostic = 0;

    std::string Section() const
    {
        std::string bytes = variantF ? Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) : std::string();
        bytes += Bytes({tpArray, tdNum});
        bytes += variantF ? F64(east) + F64(north) : F32(static_cast<float>(east)) + F32(static_cast<float>(north));
        for (const float value : errors)
            bytes += F32(value);
        bytes += Bytes({posType, posStatus});
        for (const float value : attitude)
            bytes += F32(value);
        return bytes + U16(diagnostic);
    }
    std::string Wire() const { return Telegram(2, Section()); }
};

// The sum a telegram carries, as the CSV shows it.
std::string SumOf(const std::string& raw)
{
    const std::size_t at = raw.size() - 3;
    return std::to_string((raw[at] & 0xFF) | (raw[at + 1] & 0xFF) << 8);
}

CDecodeResult Decode418(bool variantF, const std::string& raw)
{
    CHpr418Decoder decoder(variantF);
    return DecodeTelegram(decoder, raw);
}

// The report line that begins with label, or empty when there is none.
std::string LineOf(const CDecodeResult& result, const std::string& label)
{
    for (const std::string& line : SplitLines(result.text))
        if (line.rfind(label, 0) == 0)
            return line;
    return {};
}

// The interpretation of a field: what follows its 15-character label and
// 11-character raw column.
std::string Interpretation(const CDecodeResult& result, const std::string& label)
{
    const std::string line = LineOf(result, label);
    return line.size() > 26 ? line.substr(26) : std::string();
}

// The report and the CSV rows of telegrams decoded in turn by one decoder
// with its logs open, each received 1.25 s after the one before.
struct CLogged {
    std::vector<CDecodeResult> results;
    std::vector<std::string> rows;  // the header rows, then one per telegram
    std::string raw;
};

CLogged DecodeLogged(bool variantF, const std::vector<std::string>& telegrams)
{
    CTempDir dir;
    CHpr418Decoder decoder(variantF);
    decoder.OpenLogs(dir.File("log.csv"));
    CLogged logged;
    double receiveTime = 5000.0;
    for (const std::string& raw : telegrams) {
        logged.results.push_back(DecodeTelegram(decoder, raw, receiveTime));
        receiveTime += 1250.0;
    }
    decoder.CloseLogs();
    logged.rows = SplitLines(ReadWholeFile(dir.File("log.csv")));
    logged.raw = ReadWholeFile(dir.File("log.raw"));
    return logged;
}

// The columns of a CSV row from Count on (Time and Tdiff vary).
std::string FromCount(const std::string& row)
{
    const std::size_t tdiff = row.find(',');
    return row.substr(row.find(',', tdiff + 1) + 1);
}

TEST(Hpr418Decoder, FactoryMakesBothVariants)
{
    for (const int code : {kTypeHpr418D, kTypeHpr418F}) {
        auto decoder = CFormatTable::Create(code);
        auto* hpr418 = dynamic_cast<CHpr418Decoder*>(decoder.get());
        ASSERT_NE(hpr418, nullptr);
        EXPECT_EQ(hpr418->variantF, code == kTypeHpr418F);
    }
}

// One HPR 418F SSBL telegram of a depth transponder, its whole document
// written out field by field.
TEST(Hpr418Decoder, WholeDocumentOfADepthTransponder)
{
    CSsbl ssbl;
    ssbl.tpIndex = 12;
    ssbl.syncMode = 1;
    ssbl.tpType = 1;
    ssbl.tpOperation = 3;
    ssbl.posDataForm = 0;
    ssbl.replyStatus = 2;
    const float positions[10] = {12.5f, -3.0f, 100.0f, 13.5f, -3.5f, 100.5f, 10000.0f, 270.5f, -1.5f, 0.5f};
    std::copy(std::begin(positions), std::end(positions), ssbl.positions);
    ssbl.tdBeam = 1;
    ssbl.tdNum = 2;
    ssbl.diagnostic = 256;
    ssbl.standDev = 0.375f;
    ssbl.extension[0] = 99.5f;
    const std::string raw = ssbl.Wire();
    ASSERT_EQ(raw.size(), 70u);

    const std::string expected =
        "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Courier New;}"
        "{\\colortbl;\\red100\\green100\\blue255;\\red244\\green244\\blue194;}}\\fs20 "
        "Telegram type   : HPR 418 SSBL\\line "
        "Telegram number : 1\\line "
        "Number of bytes : 70\\line "
        "\\line "
        "\\ul \\b Tgram field    Hex        Interpretation                                        \\ul0 \\b0 \\line "
        "start char     \\cf1 02         \\cf0 \\line "
        "block_length   \\cf1 3E00       \\cf0 data block: 62 (3e), total: 70 (46) bytes\\line "
        "message_type   \\cf1 01         \\cf0 message type 1\\line "
        "destination    \\cf1 03         \\cf0 to Destination device 3\\line "
        "tp_index       \\cf1 0C00       \\cf0 for Transponder index 12\\line "
        "operation_mode \\cf1 00         \\cf0 Standard navigation mode    \\line "
        "sync_mode      \\cf1 01         \\cf0 \\line "
        "tp_type        \\cf1 01         \\cf0 Depth transponder\\line "
        "tp_operation   \\cf1 03         \\cf0 FIXED transponder and FIXED depth\\line "
        "pos_data_form  \\cf1 00         \\cf0 VESSEL oriented, cartesian\\line "
        "reply_status   \\cf1 02         \\cf0 Position reply is GOOD, no RAC data \\line "
        "filt_x_pos     \\cf1 00004841   \\cf0 12.5          \\line "
        "filt_y_pos     \\cf1 000040C0   \\cf0 -3.0          \\line "
        "filt_z_pos     \\cf1 0000C842   \\cf0 100.0          \\line "
        "x_pos          \\cf1 00005841   \\cf0 13.5          \\line "
        "y_pos          \\cf1 000060C0   \\cf0 -3.5          \\line "
        "z_pos          \\cf1 0000C942   \\cf0 100.5          \\line "
        "slant_range    \\cf1 00401C46   \\cf0 \\line "
        "p_course       \\cf1 00408743   \\cf0 270.5          \\line "
        "p_roll         \\cf1 0000C0BF   \\cf0 -1.5          \\line "
        "p_pitch        \\cf1 0000003F   \\cf0 0.5          \\line "
        "td_beam        \\cf1 01         \\cf0 \\line "
        "td_type        \\cf1 00         \\cf0 transducer type is wide beam only\\line "
        "td_num         \\cf1 0200      \\cf0 \\line "
        "diagnostic     \\cf1 0001      \\cf0 \\line "
        "stand_dev      \\cf1 0000C03E   \\cf0 0.4          \\line "
        "tpdr depth     \\cf1 0000C742\\cf0    99.5          \\line "
        "sumcheck       \\cf1 230B      \\cf0 \\cf1  230B \\cf0 (calculated)     \\line "
        "stop_char      \\cf1 AA         \\cf0 \\line "
        "}";
    const CDecodeResult result = Decode418(true, raw);
    EXPECT_EQ(result.document, expected);
    EXPECT_EQ(result.indexText, "12");
    EXPECT_TRUE(result.index.valid);
    EXPECT_EQ(result.index.kind, 1);
    EXPECT_EQ(result.index.text, "12");
}

struct CExtensionCase {
    int tpType;
    std::size_t size;
    const char* lines;       // the lines after stand_dev, before sumcheck
    const char* csvColumns;  // the two extension columns
};

TEST(Hpr418Decoder, TpTypeChoosesTheExtension)
{
    const CExtensionCase cases[] = {
        {0, 66, "", ",,"},
        {1, 70, "tpdr depth     00005E42   55.5          \n", "55.5,,"},
        {2, 74, "tpdr roll      00005E42   55.5          \ntpdr pitch     000090C0   -4.5          \n", "55.5,-4.5,"},
        {3, 74, "tpdr roll      00005E42   55.5          \ntpdr pitch     000090C0   -4.5          \n", "55.5,-4.5,"},
        {9, 66, "", ",,"},
    };
    for (const bool variantF : {false, true}) {
        for (const CExtensionCase& c : cases) {
            SCOPED_TRACE("tp_type " + std::to_string(c.tpType) + (variantF ? " F" : " D"));
            CSsbl ssbl;
            ssbl.tpType = c.tpType;
            const std::string raw = ssbl.Wire();
            ASSERT_EQ(raw.size(), c.size);
            const CLogged logged = DecodeLogged(variantF, {raw});
            const std::string& text = logged.results[0].text;
            const std::size_t from = text.find('\n', text.find("stand_dev")) + 1;
            EXPECT_EQ(text.substr(from, text.find("sumcheck") - from), c.lines);
            EXPECT_THAT(text, HasSubstr("(calculated)     \n"));
            EXPECT_THAT(text, Not(HasSubstr("sizing")));
            ASSERT_EQ(logged.rows.size(), 5u);
            const std::string sum = SumOf(raw);
            EXPECT_THAT(logged.rows[4], EndsWith(",0.5," + std::string(c.csvColumns) + sum + ",aa," + sum + ","));
        }
    }
}

TEST(Hpr418Decoder, CsvHeaderAndRowsOfBothMessages)
{
    CSsbl ssbl;
    ssbl.tpIndex = 12;
    ssbl.replyStatus = 9;
    ssbl.tpType = 2;
    CLbl lbl;
    lbl.variantF = true;
    const CLogged logged = DecodeLogged(true, {ssbl.Wire(), lbl.Wire(), Telegram(7, "")});
    ASSERT_EQ(logged.rows.size(), 7u);
    EXPECT_EQ(logged.rows[0], "Time,Tdiff,Count,Status,Start,TgLen,1,Dest,TpIdx,OpMode,SyncMode,TpTyp,TpOp,PosForm,"
                              "ReplyS,FiltX,FiltY,FiltZ,X,Y,Z,SRng,Head,Roll,Pitch,TdBeam,TdTyp,TdNum,Diag,Sdev,"
                              "TpRoll/Depth,TpPitch,Tg_Csum,End,Calc_Csum");
    EXPECT_EQ(logged.rows[1], "Base ->,secs,10,Text,16,10,1,10,10,10,10,10,10,10,10,metre,metre,metre,metre,metre,"
                              "metre,metre,deg,deg,deg,10,10,10,10,metre,deg/metre,deg,10,16,10");
    EXPECT_EQ(logged.rows[2], "Time,Tdiff,Count,Status,Start,TgLen,2,Dest,TpArr,TdNum,East,North,Depth,Dir,Maj,Min,"
                              "ZSdev,PosTyp,PosSts,,,,Head,Roll,Pitch,,,,Diag,,,,Tg_Csum,End,Calc_Csum");
    EXPECT_EQ(logged.rows[3], "Base ->,secs,10,Text,16,10,2,10,10,10,metre,metre,metre,deg,metre,metre,metre,10,10,"
                              ",,,deg,deg,deg,,,,10,,,,10,16,10");
    const std::string ssblSum = SumOf(ssbl.Wire());
    EXPECT_THAT(logged.rows[4], MatchesRegex("[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}, *-?[0-9]+\\.[0-9]{2},.*"));
    EXPECT_EQ(FromCount(logged.rows[4]), "74,OK,02,74,1,3,12,0,0,2,1,1,9,10.5,-20.5,30.5,11.5,-21.5,31.5,40.5,90.5,"
                                         "1.5,-2.5,0,0,1,0,0.5,55.5,-4.5," +
                                             ssblSum + ",aa," + ssblSum + ",");
    EXPECT_THAT(logged.rows[5], EndsWith(", 1.25,73,OK,02,73,2,3,2,1,1500.5,2500.5,120.5,45.5,1.5,0.5,2.5,3,0,,,,"
                                         "180.5,-0.5,0.5,,,,0,,,,2179,aa,2179,"));
    // A message of neither type: header and trailer columns only.
    EXPECT_EQ(FromCount(logged.rows[6]), "8,OK,02,8,7,3,12,aa,12,");
    EXPECT_FALSE(logged.results[2].index.valid);
    EXPECT_THAT(logged.results[2].text, Not(HasSubstr("sizing")));
}

TEST(Hpr418Decoder, SumIsCheckedButTheTelegramStaysOk)
{
    CLbl lbl;  // HPR 418D, sum 1969 = 0x07B1
    std::string raw = lbl.Wire();
    raw[51] = 0x00;
    const CLogged logged = DecodeLogged(false, {raw});
    EXPECT_EQ(LineOf(logged.results[0], "sumcheck"), "sumcheck       0007       B107 (calculated) ERROR");
    EXPECT_THAT(FromCount(logged.rows[4]), ::testing::StartsWith("54,OK,"));
    EXPECT_THAT(logged.rows[4], EndsWith(",1792,aa,1969,"));
    EXPECT_EQ(logged.raw, raw);
}

// Fields past the end of a short telegram read as zero; nothing is read
// outside the received bytes.
TEST(Hpr418Decoder, ShortAndEmptyTelegrams)
{
    const CLogged logged = DecodeLogged(false, {"", Bytes({0xAA}), CSsbl().Wire().substr(0, 30) + Bytes({0xAA}),
                                                CSsbl().Wire().substr(0, 65) + Bytes({0xAB})});
    EXPECT_EQ(logged.results[0].text, "Telegram type   : TIMED OUT\nTelegram number : 1\nNumber of bytes : 0\n\n");
    EXPECT_EQ(FromCount(logged.rows[4]), "0,TIMED OUT");

    const CDecodeResult& stopOnly = logged.results[1];
    EXPECT_THAT(stopOnly.text, ::testing::StartsWith("Telegram type   : HPR 418 LBL\nTelegram number : 2\nNumber of bytes : 1\n"));
    EXPECT_EQ(LineOf(stopOnly, "sumcheck"), "sumcheck       0000       AA00 (calculated) ERROR");
    EXPECT_THAT(stopOnly.text, EndsWith("Tg section sizing error, received 1, tg size 8"));
    EXPECT_EQ(FromCount(logged.rows[5]), "1,OK,aa,8,0,0,0,00,170,");

    const CDecodeResult& cut = logged.results[2];
    EXPECT_EQ(LineOf(cut, "y_pos"), "y_pos          00AA0000   0.0          ");
    EXPECT_EQ(LineOf(cut, "stand_dev"), "stand_dev      00000000   0.0          ");
    EXPECT_EQ(LineOf(cut, "stop_char"), "stop_char      00         ");
    EXPECT_THAT(cut.text, EndsWith("Tg section sizing error, received 31, tg size 66"));
    EXPECT_EQ(cut.indexText, "7");

    EXPECT_EQ(logged.results[3].text, "Telegram type   : BAD DATA\nTelegram number : 4\nNumber of bytes : 66\n\n");
    EXPECT_EQ(FromCount(logged.rows[7]), "66,BAD DATA");
}

TEST(Hpr418Decoder, TypeNameFollowsTheMessageTypeThenTheByteCount)
{
    auto unknown = [](int messageType, std::size_t size) {
        return Bytes({0x02, 0, 0, messageType, 3}) + std::string(size - 6, '\0') + Bytes({0xAA});
    };
    CLbl lblF;
    lblF.variantF = true;
    CSsbl inclinometer;
    inclinometer.tpType = 3;
    const struct {
        bool variantF;
        std::string raw;
        const char* heading;
    } cases[] = {
        {false, CSsbl().Wire(), "HPR 418 SSBL\nTelegram number : 1\nNumber of bytes : 66\n"},
        {true, inclinometer.Wire(), "HPR 418 SSBL\nTelegram number : 1\nNumber of bytes : 74\n"},
        {false, CLbl().Wire(), "HPR 418 LBL\nTelegram number : 1\nNumber of bytes : 54\n"},
        {true, lblF.Wire(), "HPR 418 LBL\nTelegram number : 1\nNumber of bytes : 73\n"},
        {false, unknown(0, 55), "HPR 418 LBL\nTelegram number : 1\nNumber of bytes : 55\n"},
        {true, unknown(7, 56), "HPR 418 SSBL\nTelegram number : 1\nNumber of bytes : 56\n"},
        {false, unknown(1, 256), "HPR 418 SSBL\nTelegram number : 1\nNumber of bytes : 0\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.heading);
        EXPECT_THAT(Decode418(c.variantF, c.raw).text, ::testing::StartsWith(std::string("Telegram type   : ") + c.heading));
    }
}

TEST(Hpr418Decoder, SsblInterpretations)
{
    const struct {
        int operationMode, tpType, replyStatus;
        const char* operation;
        const char* reply;
    } cases[] = {
        {0, 0, 0, "Standard navigation mode    ", "Position reply is GOOD, no RAC data "},
        {5, 2, 0, "Simulated position test mode", "Position reply is GOOD, RAC data is GOOD "},
        {1, 3, 1, "Simulated position test mode", "Position reply is BAD , RAC data status unknown "},
        {0, 1, 1, "Standard navigation mode    ", "Position reply is BAD , no RAC data "},
        {0, 2, 2, "Standard navigation mode    ", "Position reply is GOOD, RAC data is BAD "},
        {0, 0, 3, "Standard navigation mode    ", ""},
        {0, 0, 8, "Standard navigation mode    ", "Position rejected by filter"},
        {0, 2, 9, "Standard navigation mode    ", "Position rejected by filter"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        CSsbl ssbl;
        ssbl.operationMode = c.operationMode;
        ssbl.tpType = c.tpType;
        ssbl.replyStatus = c.replyStatus;
        const CLogged logged = DecodeLogged(false, {ssbl.Wire()});
        EXPECT_EQ(Interpretation(logged.results[0], "operation_mode"), c.operation);
        EXPECT_EQ(Interpretation(logged.results[0], "reply_status"), c.reply);
        // Any mode but standard navigation is logged as 1.
        EXPECT_THAT(FromCount(logged.rows[4]), HasSubstr(",7," + std::to_string(c.operationMode ? 1 : 0) + ",0," +
                                                             std::to_string(c.tpType) + ",1,1," +
                                                             std::to_string(c.replyStatus) + ","));
    }
}

TEST(Hpr418Decoder, LblInterpretationsInBothLayouts)
{
    const struct {
        int tpArray, posType, posStatus;
        const char* array;
        const char* position;
        const char* status;
    } cases[] = {
        {7, 0, 0, "for Transponder array 7", "position of the vessel", "position status is GOOD"},
        {255, 16, 1, "Simulated position; LBL training mode", "position of ROV 16", "position status is BAD "},
        {0, 17, 2, "for Transponder array 0", "position of RELAY 1", "position status is BAD "},
        {1, 20, 0, "for Transponder array 1", "position of RELAY 4", "position status is GOOD"},
        {1, 21, 0, "for Transponder array 1", "", "position status is GOOD"},
    };
    for (const bool variantF : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.position) + (variantF ? " F" : " D"));
            CLbl lbl;
            lbl.variantF = variantF;
            lbl.tpArray = c.tpArray;
            lbl.posType = c.posType;
            lbl.posStatus = c.posStatus;
            const CDecodeResult result = Decode418(variantF, lbl.Wire());
            EXPECT_EQ(Interpretation(result, "tp_array"), c.array);
            EXPECT_EQ(Interpretation(result, "pos_type"), c.position);
            EXPECT_EQ(Interpretation(result, "pos_status"), c.status);
            EXPECT_EQ(Interpretation(result, "td_num"), "for transducer 1 on transceiver 1");
            EXPECT_EQ(Interpretation(result, "diagnostic"), "no errors on transceiver hardware");
            EXPECT_THAT(result.text, HasSubstr("(calculated)     \n"));
            // An LBL telegram is indexed by its position type and passes no display filter.
            EXPECT_TRUE(result.index.valid);
            EXPECT_EQ(result.index.kind, 0);
            EXPECT_EQ(result.index.text, std::to_string(c.posType));
            EXPECT_EQ(result.indexText, "");
        }
    }
}

// The HPR 418F LBL message is shown in the HPR 418D layout: doubles become
// floats, raw columns included; its eleven leading bytes are only summed.
TEST(Hpr418Decoder, VariantFRebuildsTheLblMessage)
{
    CLbl lbl;
    lbl.variantF = true;
    lbl.east = 1e300;
    lbl.north = -1e39;
    const CDecodeResult result = Decode418(true, lbl.Wire());
    EXPECT_EQ(LineOf(result, "tp_array"), "tp_array       02         for Transponder array 2");
    EXPECT_EQ(LineOf(result, "pos_east"), "pos_east       0000807F   ");
    EXPECT_EQ(LineOf(result, "pos_north"), "pos_north      000080FF   ");
    EXPECT_EQ(LineOf(result, "depth"), "depth          0000F142   120.5          ");
    EXPECT_EQ(LineOf(result, "p_pitch"), "p_pitch        0000003F   0.5          ");
    EXPECT_THAT(result.text, HasSubstr("(calculated)     \n"));
    EXPECT_THAT(result.text, Not(HasSubstr("sizing")));

    // The same bytes read with the HPR 418D layout are a different, mis-sized telegram.
    EXPECT_THAT(Decode418(false, lbl.Wire()).text, EndsWith("Tg section sizing error, received 73, tg size 54"));
}

// HPR 418F positions are narrowed to float by rounding to the nearest: a
// double up to half a step past the largest float is that float, only one
// at or past that point is an infinity. The report's raw column and the CSV
// show the rounded value, with the sign of the double.
TEST(Hpr418Decoder, VariantFRoundsDoublesToTheNearestFloat)
{
    const float largest = std::numeric_limits<float>::max();
    const float infinity = std::numeric_limits<float>::infinity();
    const double halfStepPast = 0x1.ffffffp+127;  // half-way from the largest float to 2^128
    const struct {
        double value;
        float narrowed;
    } cases[] = {
        {largest, largest},
        {std::nextafter(double{largest}, HUGE_VAL), largest},
        {std::nextafter(halfStepPast, 0.0), largest},
        {halfStepPast, infinity},
        {std::nextafter(halfStepPast, HUGE_VAL), infinity},
        {1e300, infinity},
        {HUGE_VAL, infinity},
        {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN()},
        {1500.25, 1500.25f},
        {0x1.000001p0, 1.0f},  // a tie within the range goes to the even neighbour
    };
    for (const auto& c : cases) {
        for (const double sign : {1.0, -1.0}) {
            SCOPED_TRACE(testing::Message() << std::hexfloat << sign * c.value);
            CLbl lbl;
            lbl.variantF = true;
            lbl.east = sign * c.value;
            lbl.north = sign * c.value;
            const CLogged logged = DecodeLogged(true, {lbl.Wire()});
            const float narrowed = static_cast<float>(sign) * c.narrowed;
            const std::string raw = HexOf(F32(narrowed));
            char csv[64];
            std::snprintf(csv, sizeof csv, "%.1f", narrowed);
            const std::string interpretation = std::fabs(narrowed) < 1000000 ? csv + std::string(10, ' ') : "";
            EXPECT_EQ(LineOf(logged.results[0], "pos_east"), "pos_east       " + raw + "   " + interpretation);
            EXPECT_EQ(LineOf(logged.results[0], "pos_north"), "pos_north      " + raw + "   " + interpretation);
            EXPECT_THAT(logged.rows[4], HasSubstr(",2,1," + std::string(csv) + "," + csv + ",120.5,"));
        }
    }
}

// Every telegram the generator makes decodes cleanly, whichever variant.
TEST(Hpr418Decoder, GeneratedTelegramsDecodeCleanly)
{
    for (const int code : {kTypeHpr418D, kTypeHpr418F}) {
        auto generator = CTelegramGenerator::Create(code);
        ASSERT_NE(generator, nullptr);
        auto decoder = CFormatTable::Create(code);
        std::set<std::pair<int, int>> kinds;  // message type, tp_type
        std::set<std::string> indexes;
        std::set<std::string> telegrams;
        for (int i = 0; i < 40; ++i) {
            const std::string raw = generator->Next();
            SCOPED_TRACE(std::to_string(code) + " telegram " + std::to_string(i));
            const CDecodeResult result = DecodeTelegram(*decoder, raw);
            const int messageType = raw.at(3);
            EXPECT_THAT(result.text, ::testing::StartsWith(messageType == 1 ? "Telegram type   : HPR 418 SSBL\n"
                                                                            : "Telegram type   : HPR 418 LBL\n"));
            EXPECT_THAT(result.text, HasSubstr(" (calculated)     \nstop_char      AA         \n"));
            EXPECT_THAT(result.text, Not(HasSubstr("sizing")));
            EXPECT_TRUE(result.index.valid);
            kinds.insert({messageType, messageType == 1 ? raw.at(9) : -1});
            if (messageType == 1)
                indexes.insert(result.indexText);
            telegrams.insert(raw);
        }
        EXPECT_EQ(kinds, (std::set<std::pair<int, int>>{{1, 0}, {1, 1}, {1, 2}, {1, 3}, {2, -1}}));
        EXPECT_EQ(indexes, (std::set<std::string>{"1", "2", "3", "4"}));
        EXPECT_EQ(telegrams.size(), 40u);  // positions move
    }
}

// The record of a telegram decoded by a fresh decoder of the variant.
CTelegramRecord Record418(bool variantF, const std::string& raw)
{
    CHpr418Decoder decoder(variantF);
    DecodeTelegram(decoder, raw);
    return decoder.TakeRecord();
}

// An SSBL telegram's position is its filtered one (10.5, -20.5, 30.5; the
// measured one is 11.5, -21.5, 31.5), in the frame pos_data_form names.
TEST(Hpr418Record, SsblPositionIsTheFilteredOneInTheNamedOrientation)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const struct {
        const char* name;
        int posDataForm, tpType;
        std::vector<std::pair<int, float>> positions;  // index in CSsbl::positions, value
        const char* form;                             // the pos_data_form interpretation
        std::optional<CExpectedPosition> position;
    } cases[] = {
        {"vessel", 0, 0, {}, "VESSEL oriented, cartesian", CExpectedPosition{CPositionFrame::Vessel, 10.5, -20.5, 30.5}},
        {"north", 1, 0, {}, "NORTH oriented, cartesian", CExpectedPosition{CPositionFrame::North, 10.5, -20.5, 30.5}},
        {"depth transponder", 1, 1, {}, "NORTH oriented, cartesian",
         CExpectedPosition{CPositionFrame::North, 10.5, -20.5, 30.5}},
        {"inclinometer", 0, 3, {}, "VESSEL oriented, cartesian",
         CExpectedPosition{CPositionFrame::Vessel, 10.5, -20.5, 30.5}},
        {"measured beyond its limit", 1, 0, {{3, 10000.0f}, {4, nan}}, "NORTH oriented, cartesian",
         CExpectedPosition{CPositionFrame::North, 10.5, -20.5, 30.5}},
        {"just inside the limit", 0, 0, {{0, -9999.5f}, {2, 9999.5f}}, "VESSEL oriented, cartesian",
         CExpectedPosition{CPositionFrame::Vessel, -9999.5, -20.5, 9999.5}},
        {"form 2", 2, 0, {}, "", std::nullopt},
        {"form 255", 255, 0, {}, "", std::nullopt},
        {"x not a number", 1, 0, {{0, nan}}, "NORTH oriented, cartesian", std::nullopt},
        {"y at its limit", 0, 0, {{1, -10000.0f}}, "VESSEL oriented, cartesian", std::nullopt},
        {"z infinite", 1, 0, {{2, infinity}}, "NORTH oriented, cartesian", std::nullopt},
    };
    for (const bool variantF : {false, true}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (variantF ? " F" : " D"));
            CSsbl ssbl;
            ssbl.posDataForm = c.posDataForm;
            ssbl.tpType = c.tpType;
            for (const auto& [at, value] : c.positions)
                ssbl.positions[at] = value;
            CHpr418Decoder decoder(variantF);
            const CDecodeResult result = DecodeTelegram(decoder, ssbl.Wire());
            EXPECT_EQ(Interpretation(result, "pos_data_form"), c.form);
            ExpectPosition(decoder.Record().position, c.position);
        }
    }
}

// A float on the line is a decimal its sender rounded: the record keeps
// that decimal (127.9, as the report's text shows), not the float's binary
// tail (127.90000152587891), so JSON and plots carry what was sent.
TEST(Hpr418Record, FloatsAreKeptAsTheDecimalsSent)
{
    CSsbl ssbl;
    ssbl.posDataForm = 1;
    ssbl.positions[0] = 127.9f;
    ssbl.positions[1] = -0.1f;
    ssbl.positions[2] = 1234.56f;
    CHpr418Decoder decoder(false);
    DecodeTelegram(decoder, ssbl.Wire());
    ASSERT_TRUE(decoder.Record().position);
    EXPECT_EQ(decoder.Record().position->x, 127.9);
    EXPECT_EQ(decoder.Record().position->y, -0.1);
    EXPECT_EQ(decoder.Record().position->z, 1234.56);
}

// An LBL telegram of the variant at a position.
CLbl LblAt(bool variantF, double east, double north, float depth)
{
    CLbl lbl;
    lbl.variantF = variantF;
    lbl.east = east;
    lbl.north = north;
    lbl.errors[0] = depth;
    return lbl;
}

// An LBL telegram's position is pos_east, pos_north and depth in the
// array's grid. HPR 418F keeps the doubles it sends; HPR 418D sends floats.
TEST(Hpr418Record, LblPositionIsEastNorthAndDepthInTheGrid)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char* name;
        CLbl lbl;
        std::optional<CExpectedPosition> position;
    } cases[] = {
        {"D", LblAt(false, 1500.5, 2500.5, 120.5f), CExpectedPosition{CPositionFrame::Grid, 1500.5, 2500.5, 120.5}},
        {"F", LblAt(true, 1500.5, 2500.5, 120.5f), CExpectedPosition{CPositionFrame::Grid, 1500.5, 2500.5, 120.5}},
        // Sent as the floats 512345.6875 and 6712450.5: the shortest decimals they stand for.
        {"D UTM", LblAt(false, 512345.678, 6712450.37, 87.25f),
         CExpectedPosition{CPositionFrame::Grid, 512345.7, 6712450.5, 87.25}},
        {"F UTM", LblAt(true, 512345.678, 6712450.37, 87.25f),
         CExpectedPosition{CPositionFrame::Grid, 512345.678, 6712450.37, 87.25}},
        {"D negative", LblAt(false, -12.25, -0.5, -3.5f), CExpectedPosition{CPositionFrame::Grid, -12.25, -0.5, -3.5}},
        {"D east at its limit", LblAt(false, 1000000.0, 2500.5, 120.5f), std::nullopt},
        {"F east rounds to its limit", LblAt(true, 999999.99, 2500.5, 120.5f), std::nullopt},
        {"F north beyond every float", LblAt(true, 1500.5, 1e300, 120.5f), std::nullopt},
        {"F north not a number", LblAt(true, 1500.5, nan, 120.5f), std::nullopt},
        {"D depth at its limit", LblAt(false, 1500.5, 2500.5, 10000.0f), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectPosition(Record418(c.lbl.variantF, c.lbl.Wire()).position, c.position);
    }
    // The vessel, an ROV, a relay and an unknown position type alike.
    for (const int posType : {0, 5, 17, 40}) {
        CLbl lbl;
        lbl.posType = posType;
        ExpectPosition(Record418(false, lbl.Wire()).position,
                       CExpectedPosition{CPositionFrame::Grid, 1500.5, 2500.5, 120.5});
    }
}

// The sum and the length are checked on every decoded telegram, whatever
// its message; a telegram that failed has neither check nor position.
TEST(Hpr418Record, ChecksOfSumAndLength)
{
    std::string wrongSum = CLbl().Wire();
    wrongSum[51] = 0x00;
    std::string longer = CSsbl().Wire();
    longer.insert(63, 1, '\x01');
    CLbl lblF;
    lblF.variantF = true;
    const struct {
        const char* name;
        bool variantF;
        std::string raw;
        std::optional<bool> checksum, length;
        bool position;
    } cases[] = {
        {"SSBL", false, CSsbl().Wire(), true, true, true},
        {"LBL", false, CLbl().Wire(), true, true, true},
        {"LBL F", true, lblF.Wire(), true, true, true},
        {"wrong sum", false, wrongSum, false, true, true},
        {"one byte too many", false, longer, false, false, true},
        {"F telegram read as D", false, lblF.Wire(), false, false, true},
        // The block length says how long the telegram is, whatever its message.
        {"block length one more", false, Telegram(1, CSsbl().Section(), 59), true, false, true},
        {"block length one less", false, Telegram(2, CLbl().Section(), 45), true, false, true},
        {"block length far beyond", false, "ABCDEFGHIJKLM\xAA", false, false, false},
        {"neither message", false, Telegram(7, ""), true, true, false},
        // The trailer is read right after the header: neither sum nor length agree.
        {"neither message, with a section", false, Telegram(7, "xyz"), false, false, false},
        {"stop character alone", false, Bytes({0xAA}), false, false, false},
        {"wrong stop character", false, CSsbl().Wire().substr(0, 65) + Bytes({0xAB}), std::nullopt, std::nullopt,
         false},
        {"nothing", false, "", std::nullopt, std::nullopt, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const CTelegramRecord record = Record418(c.variantF, c.raw);
        ExpectChecks(record, c.checksum, c.length);
        EXPECT_EQ(record.position.has_value(), c.position);
    }
}

// A telegram cut short gives a position only when every byte of it (and
// of the SSBL message's pos_data_form) came before the sum and the stop
// character: the bytes it lacks read as zero in the report, and a position
// made of them would be one the line never carried.
TEST(Hpr418Record, NoPositionFromBytesThatNeverArrived)
{
    const CExpectedPosition ssbl{CPositionFrame::North, 10.5, -20.5, 30.5};
    const CExpectedPosition lbl{CPositionFrame::Grid, 1500.5, 2500.5, 120.5};
    const struct {
        const char* name;
        bool variantF;
        int messageType;
        std::string section;  // cut to the length given
        std::size_t length;
        std::optional<CExpectedPosition> position;
    } cases[] = {
        {"SSBL, the header alone", false, 1, CSsbl().Section(), 0, std::nullopt},
        {"SSBL up to its filtered depth", false, 1, CSsbl().Section(), 20, ssbl},
        {"SSBL, a byte of the filtered depth missing", false, 1, CSsbl().Section(), 19, std::nullopt},
        {"LBL D, a byte of the depth missing", false, 2, CLbl().Section(), 13, std::nullopt},
        {"LBL F up to its depth", true, 2, LblAt(true, 1500.5, 2500.5, 120.5f).Section(), 33, lbl},
        {"LBL F of 30 bytes", true, 2, LblAt(true, 1500.5, 2500.5, 120.5f).Section(), 22, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string raw = Telegram(c.messageType, c.section.substr(0, c.length));
        ExpectPosition(Record418(c.variantF, raw).position, c.position);
    }
}

// The fix is not good in "Simulated position test mode", when the "Position
// reply is BAD " or "Position rejected by filter" (SSBL), in the
// "Simulated position; LBL training mode" and when the "position status is
// BAD " (LBL); bad RAC data says nothing against the position.
TEST(Hpr418Record, StatusWordsMarkTheFix)
{
    const auto ssbl = [](int operationMode, int replyStatus) {
        CSsbl telegram;
        telegram.tpType = 2;
        telegram.operationMode = operationMode;
        telegram.replyStatus = replyStatus;
        return telegram.Wire();
    };
    const auto lbl = [](bool variantF, int tpArray, int posStatus) {
        CLbl telegram;
        telegram.variantF = variantF;
        telegram.tpArray = tpArray;
        telegram.posStatus = posStatus;
        return telegram.Wire();
    };
    const struct {
        const char* word;  // in the report
        bool variantF;
        std::string raw;
        bool valid;
    } cases[] = {
        {"Position reply is GOOD, RAC data is GOOD", false, ssbl(0, 0), true},
        {"Position reply is GOOD, RAC data is BAD", false, ssbl(0, 2), true},
        {"Position reply is BAD", false, ssbl(0, 1), false},
        {"Position rejected by filter", true, ssbl(0, 9), false},
        {"Simulated position test mode", false, ssbl(3, 0), false},
        {"position status is GOOD", false, lbl(false, 2, 0), true},
        {"position status is BAD", true, lbl(true, 2, 7), false},
        {"Simulated position; LBL training mode", false, lbl(false, 255, 0), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.word) + (c.variantF ? " F" : " D"));
        CHpr418Decoder decoder(c.variantF);
        EXPECT_THAT(DecodeTelegram(decoder, c.raw).text, HasSubstr(c.word));
        ASSERT_TRUE(decoder.Record().position);
        EXPECT_EQ(decoder.Record().position->valid, c.valid);
    }
}

// Both variants' simulated lines give the plot moving SSBL and LBL fixes.
TEST(Hpr418Record, GeneratedTelegramsCarryMovingPositions)
{
    for (const int code : {kTypeHpr418D, kTypeHpr418F}) {
        SCOPED_TRACE(code);
        const CGeneratedRecords seen = GeneratedRecords(code, 60);
        EXPECT_EQ(seen.agreeing, 60);
        EXPECT_EQ(seen.positions, 60);
        EXPECT_EQ(seen.frames, (std::set<std::string>{"north", "grid"}));
        ExpectEveryIndexMoves(seen, 8);  // SSBL transponders 1 to 4, LBL position types 0 to 3
    }
}

}  // namespace
