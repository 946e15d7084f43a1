#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "decoders/Hpr418BcdDecoder.h"
#include "tests/decoders/FixedTelegramTestSupport.h"
#include "tests/decoders/PositionTestSupport.h"

namespace {

// SSBL of inclinometer transponder 103: master, position OK and filtered,
// optional data OK but no additional data; transducer 2, transceiver 2,
// mobile. X D0 12 34, Y 01 23 45, a nibble A in the Y angle. Checksum 0x20.
const std::string kSsbl =
    Bytes({0xDF, 0x01, 0x13, 0x25, 0x02, 0x01, 0x03, 0xD0, 0x12, 0x34, 0x01, 0x23, 0x45, 0x00, 0x25, 0x60,
           0x12, 0x34, 0xD0, 0x00, 0x25, 0x00, 0x00, 0x0A, 0x04, 0x50, 0x00, 0x18, 0x00, 0x09, 0x20, 0xFF});

// LBL of relay 1 (position type 0x17) in array 3: slave, position OK, UTM grid.
const std::string kLbl =
    Bytes({0xDF, 0x02, 0x21, 0x40, 0x17, 0x03, 0x06, 0x54, 0x32, 0x10, 0x12, 0xD0, 0x00, 0x12, 0x34, 0x56,
           0x00, 0x85, 0x00, 0x35, 0x99, 0x01, 0x50, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x03, 0x14, 0xFF});

// Sequence of four: 12, 27, an empty slot, 103, the ship; slots 12 and 13 hold 44 and 45.
const std::string kSequence =
    Bytes({0xDF, 0x03, 0x04, 0x00, 0x12, 0x00, 0x27, 0x00, 0x00, 0x01, 0x03, 0x03, 0x00, 0x00, 0x00, 0x00,
           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x44, 0x00, 0x45, 0x00, 0x6D, 0xFF});

// A telegram with some bytes changed and its checksum made right again.
std::string Changed(const std::string& telegram, CByteChanges changes)
{
    std::string changed = WithBytes(telegram, changes);
    changed[30] = static_cast<char>(CByteView(changed).Xor(0, 30) & 0x7F);
    return changed;
}

std::string TextOf(const std::string& telegram)
{
    CHpr418BcdDecoder decoder;
    return DecodeTelegram(decoder, telegram).text;
}

const auto SecondRow = SecondRowFromTdiff<CHpr418BcdDecoder>;

TEST(Hpr418BcdDecoder, Validation)
{
    struct Case {
        std::string raw;
        TelegramStatus status;
    } cases[] = {
        {kSsbl, kStatusOk},
        {Changed(kSsbl, {}).replace(30, 1, 1, '\xA0'), kStatusOk},  // bit 7 of the checksum byte ignored
        {std::string(kSsbl).replace(30, 1, 1, '\x21'), kStatusChecksumError},
        {std::string(kSsbl).replace(30, 1, 1, '\x60'), kStatusChecksumError},
        {std::string(kSsbl).replace(0, 1, 1, '\xDE'), kStatusBadData},
        {std::string(kSsbl).replace(31, 1, 1, '\xFE'), kStatusBadData},
        {kSsbl.substr(0, 31), kStatusBadData},
        {"", kStatusTimedOut},
        {kSsbl + '\x00', kStatusOk},
    };
    for (const Case& c : cases) {
        CHpr418BcdDecoder decoder;
        EXPECT_EQ(decoder.Validate(CByteView(c.raw)), c.status) << CByteView(c.raw).Hex(0, c.raw.size());
    }
}

TEST(Hpr418BcdDecoder, SsblStatusAndSensorData)
{
    // A depth transponder without its additional data.
    std::string text = TextOf(Changed(kSsbl, {{4, 1}}));
    EXPECT_EQ(LineOf(text, "Status_1"),
              "Status_1       13         MASTER: Position OK , Filtered; Optional data OK. Additional data BAD.");
    EXPECT_EQ(LineOf(text, "TP.inf."), "TP.inf.        01         TP type is 1 :Depth TP");
    EXPECT_EQ(LineOf(text, "Tpdr Depth"), "Tpdr Depth     D00025     -2.5 metres of Depth from Tpdr");
    EXPECT_EQ(LineOf(text, "Tpdr X"), "(no line Tpdr X)");

    // A type without sensor data: the ship's attitude.
    text = TextOf(Changed(kSsbl, {{2, 0x24}, {4, 5}}));
    EXPECT_EQ(LineOf(text, "Status_1"), "Status_1       24         SLAVE: Position BAD , Predicted. No Additional data.");
    EXPECT_EQ(LineOf(text, "TP.inf."), "TP.inf.        05         TP type is 5 :Acoustic control TP");
    EXPECT_EQ(LineOf(text, "Roll"), "Roll           D00025     -2.5 degrees of Ship's roll");
    EXPECT_EQ(LineOf(text, "Pitch"), "Pitch          00000A     1.0 degrees of Ship's pitch");

    // A differential inclinometer with its data valid.
    text = TextOf(Changed(kSsbl, {{2, 0x09}, {4, 3}}));
    EXPECT_EQ(LineOf(text, "Status_1"), "Status_1       09         MASTER: Position OK. Additional data OK.");
    EXPECT_EQ(LineOf(text, "Tpdr X angle"), "Tpdr X angle   D00025     -2.5 degrees of roll from Tpdr, OK");
    EXPECT_EQ(LineOf(text, "Tpdr Y angle"), "Tpdr Y angle   00000A     1.0 degrees of pitch from Tpdr, OK");

    // A compass: two bytes of heading.
    text = TextOf(Changed(kSsbl, {{4, 4}, {18, 0x27}, {19, 0x05}}));
    EXPECT_EQ(LineOf(text, "Tpdr Heading"), "Tpdr Heading   2705       270.5 degrees from Tpdr");

    // The sender's own conversion failure hides every other status word.
    text = TextOf(Changed(kSsbl, {{2, 0x7F}}));
    EXPECT_EQ(LineOf(text, "Status_1"), "Status_1       7F         SLAVE: BCD Conversion error");

    text = TextOf(Changed(kSsbl, {{3, 0xDA}, {4, 0x13}}));
    EXPECT_EQ(LineOf(text, "Status_2"), "Status_2       DA         Tdr 3, Tcvr 3, Mode: TRAINING, TP is FIXED");
    EXPECT_EQ(LineOf(text, "TP.inf."), "TP.inf.        13         TP type is 19 :Responder driver 4");
    EXPECT_EQ(LineOf(TextOf(Changed(kSsbl, {{4, 0x11}})), "TP.inf."),
              "TP.inf.        11         TP type is 17 :UNKNOWN");
}

TEST(Hpr418BcdDecoder, LblPositionTypesAndIndexTexts)
{
    struct Case {
        int byte;
        const char* line;
        const char* index;
    } cases[] = {
        {0x00, "TP. inf.       00         Position of vessel", "0"},
        {0x05, "TP. inf.       05         Position of ROV 5", "5"},
        {0x0A, "TP. inf.       0A         Position of ROV 10", "10"},
        {0x16, "TP. inf.       16         Position of ROV 16", "22"},
        {0x17, "TP. inf.       17         Position of Relay 1", "23"},
        {0x20, "TP. inf.       20         Position of Relay 4", "32"},
        {0x21, "TP. inf.       21         Position type UNKNOWN", "33"},
        {0xD0, "TP. inf.       D0         Position type UNKNOWN", "208"},
    };
    for (const Case& c : cases) {
        CHpr418BcdDecoder decoder;
        const CDecodeResult result = DecodeTelegram(decoder, Changed(kLbl, {{4, c.byte}}));
        EXPECT_EQ(LineOf(result.text, "TP. inf."), c.line);
        EXPECT_EQ(result.index.text, c.index);
        EXPECT_TRUE(result.indexText.empty());
    }
    const std::string text = TextOf(Changed(kLbl, {{3, 0x13}, {5, 5}}));
    EXPECT_EQ(LineOf(text, "TP. array"), "TP. array      05         TP. array UNKNOWN");
    EXPECT_EQ(LineOf(text, "Status_2"), "Status_2       13         Tdr 4, Tcvr 1, Mode: TRAINING, Posn. in Local grid");
    EXPECT_EQ(LineOf(text, "X position"), "X position     0654321012 6543210.12 is Northings");
    EXPECT_EQ(LineOf(text, "Y position"), "Y position     D000123456 -1234.56 is Eastings");
}

TEST(Hpr418BcdDecoder, CsvRows)
{
    EXPECT_EQ(SecondRow(kSsbl, kSsbl),
              " 1.50,2,OK,df,1,13,25,2,103,-123.4,1234.5,256.0,123.4,-2.5,1.0,45.0,1.8,0.9,,,32,ff,32");
    EXPECT_EQ(SecondRow(kSsbl, kLbl),
              " 1.50,2,OK,df,2,21,40,23,3,6543210.12,-1234.56,850.0,359.9,1.50,0,0.0,0.5,0.3,,,20,ff,20");
    EXPECT_EQ(SecondRow(kSsbl, kSequence), " 1.50,2,OK,df,3,4,12,27,0,103,300,0,0,0,0,0,0,44,45,0,109,ff,109");
    EXPECT_EQ(SecondRow(kSsbl, Changed(kLbl, {{1, 4}})),
              " 1.50,2,OK,df,4,21,40,23,UNKNOWN MESSAGE TYPE,0.0,0.5,0.3,,,18,ff,18");
    // Failed telegrams keep their row; bytes that never arrived count as 0.
    EXPECT_EQ(SecondRow(kSsbl, std::string(kSsbl).replace(30, 1, 1, '\x21')),
              " 1.50,2,CHECKSUM ERROR,df,1,13,25,2,103,-123.4,1234.5,256.0,123.4,-2.5,1.0,45.0,1.8,0.9,,,33,ff,32");
    EXPECT_EQ(SecondRow(kSsbl, ""),
              " 1.50,2,TIMED OUT, 0,0,0,0,0,UNKNOWN MESSAGE TYPE,0.0,0.0,0.0,,,0, 0,0");
    EXPECT_EQ(SecondRow(kSsbl, kSsbl.substr(0, 8)),
              " 1.50,2,BAD DATA,df,1,13,25,2,103,0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,0.0,,,0, 0,56");
    EXPECT_EQ(SecondRow(kSsbl, kSequence.substr(0, 12)),
              " 1.50,2,BAD DATA,df,3,4,12,27,0,103,300,0,0,0,0,0,0,0,0,0,0, 0,108");
}

TEST(Hpr418BcdDecoder, CountColumnIsTheCounterModulo256)
{
    CHpr418BcdDecoder decoder;
    EXPECT_EQ(CountColumnsOf255And256(decoder, kLbl), "255 0");
}

TEST(Hpr418BcdDecoder, EveryGeneratedTelegramIsValid)
{
    std::set<std::string> typeLines;
    std::set<std::string> indexes;
    for (const CDecodeResult& result : DecodeGenerated(kTypeHpr418Bcd, 90, CHpr418BcdDecoder::kLength)) {
        typeLines.insert(LineOf(result.text, "Telegram type"));
        if (result.index.valid)
            indexes.insert(result.index.text);
    }
    EXPECT_EQ(typeLines, (std::set<std::string>{"Telegram type   : 418BCD SSBL", "Telegram type   : 418BCD LBL",
                                                "Telegram type   : 418BCD TSEQ"}));
    EXPECT_GE(indexes.size(), 5u);
}

// The record's position is what the position lines say X, Y and Z are:
// starboard, forward and depth from the vessel in an SSBL message,
// northings, eastings and depth in the grid in an LBL one, the decimals
// the counts stand for. Numbers the sender could not convert, or packed
// with a digit above 9, give none; "Position BAD" and "TRAINING" mark the
// fix as not good, "Predicted" does not.
TEST(Hpr418BcdRecord, PositionFollowsTheMessage)
{
    const char* const kStarboard = "is USBL Athwartships (Starboard positive)";
    const char* const kForward = "is USBL Alongships (Forward positive)";
    const struct {
        const char* name;
        std::string raw;
        const char* xSays;  // the end of the X position line
        const char* ySays;
        std::optional<CExpectedPosition> position;
    } cases[] = {
        {"SSBL", kSsbl, kStarboard, kForward, CExpectedPosition{CPositionFrame::Vessel, -123.4, 1234.5, 256.0}},
        // The nibble A of the kSsbl telegram is in the sensor data, not the position.
        {"SSBL, position BAD and predicted", Changed(kSsbl, {{2, 0x24}}), kStarboard, kForward,
         CExpectedPosition{CPositionFrame::Vessel, -123.4, 1234.5, 256.0, false}},
        {"SSBL, predicted", Changed(kSsbl, {{2, 0x05}}), kStarboard, kForward,
         CExpectedPosition{CPositionFrame::Vessel, -123.4, 1234.5, 256.0}},
        {"SSBL, training", Changed(kSsbl, {{3, 0x35}}), kStarboard, kForward,
         CExpectedPosition{CPositionFrame::Vessel, -123.4, 1234.5, 256.0, false}},
        {"SSBL, tenths that a double does not hold", Changed(kSsbl, {{7, 0xD0}, {8, 0x03}, {9, 0x99}}), kStarboard,
         kForward, CExpectedPosition{CPositionFrame::Vessel, -39.9, 1234.5, 256.0}},
        {"SSBL, conversion error", Changed(kSsbl, {{2, 0x40}}), kStarboard, kForward, std::nullopt},
        {"SSBL, digit A in X", Changed(kSsbl, {{9, 0x3A}}), kStarboard, kForward, std::nullopt},
        {"SSBL, digit F in the sign place of Z", Changed(kSsbl, {{13, 0xF0}}), kStarboard, kForward, std::nullopt},
        {"LBL, UTM grid", kLbl, "is UTM Northings", "is UTM Eastings",
         CExpectedPosition{CPositionFrame::Grid, -1234.56, 6543210.12, 850.0}},
        {"LBL, local grid", Changed(kLbl, {{3, 0x00}}), "is Northings", "is Eastings",
         CExpectedPosition{CPositionFrame::Grid, -1234.56, 6543210.12, 850.0}},
        {"LBL, position BAD", Changed(kLbl, {{2, 0x20}}), "is UTM Northings", "is UTM Eastings",
         CExpectedPosition{CPositionFrame::Grid, -1234.56, 6543210.12, 850.0, false}},
        {"LBL, training", Changed(kLbl, {{3, 0x50}}), "is UTM Northings", "is UTM Eastings",
         CExpectedPosition{CPositionFrame::Grid, -1234.56, 6543210.12, 850.0, false}},
        {"LBL shown as UNKNOWN", Changed(kLbl, {{1, 4}}), "is UTM Northings", "is UTM Eastings",
         CExpectedPosition{CPositionFrame::Grid, -1234.56, 6543210.12, 850.0}},
        {"LBL, conversion error", Changed(kLbl, {{2, 0x61}}), "is UTM Northings", "is UTM Eastings", std::nullopt},
        {"LBL, digit B in the depth", Changed(kLbl, {{18, 0x0B}}), "is UTM Northings", "is UTM Eastings",
         std::nullopt},
        {"sequence", kSequence, "", "", std::nullopt},
        {"unrecognised message", Changed(kSsbl, {{1, 7}}), "", "", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CHpr418BcdDecoder decoder;
        const CDecodeResult result = DecodeTelegram(decoder, c.raw);
        EXPECT_EQ(decoder.Record().status, kStatusOk);
        if (*c.xSays) {
            EXPECT_THAT(LineOf(result.text, "X position"), testing::EndsWith(c.xSays));
            EXPECT_THAT(LineOf(result.text, "Y position"), testing::EndsWith(c.ySays));
        }
        ExpectPosition(decoder.Record().position, c.position);
    }
}

TEST(Hpr418BcdRecord, ChecksAndFailedTelegrams)
{
    const struct {
        const char* name;
        std::string raw;
        std::optional<bool> checksum, length;
    } cases[] = {
        {"SSBL", kSsbl, true, true},
        {"sequence", kSequence, true, true},
        {"one byte too many", kLbl + '\x42', true, false},
        {"wrong checksum", std::string(kLbl).replace(30, 1, 1, '\x15'), std::nullopt, std::nullopt},
        {"wrong start", std::string(kLbl).replace(0, 1, 1, '\xDE'), std::nullopt, std::nullopt},
        {"short", kLbl.substr(0, 31), std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CHpr418BcdDecoder decoder;
        DecodeTelegram(decoder, c.raw);
        const CTelegramRecord record = decoder.TakeRecord();
        ExpectChecks(record, c.checksum, c.length);
        EXPECT_TRUE(record.Decoded() || !record.position);
    }
}

// The simulated line gives the plot moving SSBL and LBL fixes; the
// transponder sequences carry none.
TEST(Hpr418BcdRecord, GeneratedTelegramsCarryMovingPositions)
{
    const CGeneratedRecords seen = GeneratedRecords(kTypeHpr418Bcd, 90);
    EXPECT_EQ(seen.agreeing, 90);
    EXPECT_EQ(seen.positions, 60);  // one telegram in three is a sequence
    EXPECT_EQ(seen.frames, (std::set<std::string>{"vessel", "grid"}));
    ExpectEveryIndexMoves(seen, 6);  // transponders 12, 27 and 103; the vessel, ROV 5 and relay 2
}

} // namespace
