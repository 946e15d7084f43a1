#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "decoders/Hpr309Decoder.h"
#include "tests/decoders/FixedTelegramTestSupport.h"
#include "tests/decoders/PositionTestSupport.h"

namespace {

// Running, cartesian, north up, filtered; roll count 4095, pitch 11,
// course 1024, channel 3, X count -1, Y 128, Z 776, slave in the outer
// beam, channels 1, 3 and 5 waiting, head at 2048, starboard transducer
// tracking with a narrow beam selected, metres. Check byte 0x75.
const std::string kTelegram =
    Bytes({0x19, 0x3F, 0x3F, 0x00, 0x0B, 0x10, 0x00, 0x03, 0x0F, 0x3F, 0x3F, 0x00, 0x02, 0x00, 0x00, 0x0C,
           0x08, 0x06, 0x00, 0x00, 0x00, 0x15, 0x20, 0x00, 0x00, 0x00, 0x00, 0x05, 0x0C, 0x0A, 0x75, 0x0D});

// The telegram with some bytes changed and the check byte made right again.
std::string Changed(CByteChanges changes)
{
    std::string telegram = WithBytes(kTelegram, changes);
    const std::uint8_t all = CByteView(telegram).Xor(0, telegram.size());
    telegram[30] = static_cast<char>(static_cast<std::uint8_t>(telegram[30]) ^ all ^ 0x40);
    return telegram;
}

TEST(Hpr309Decoder, ValidateOutsideADecodeWritesNowhere)
{
    // The report of the last decode is gone when the next check runs.
    CHpr309Decoder decoder;
    DecodeTelegram(decoder, kTelegram);
    EXPECT_EQ(decoder.Validate(CByteView(std::string(kTelegram).replace(30, 1, 1, '\x74'))), kStatusBadData);
    EXPECT_EQ(decoder.Validate(CByteView(kTelegram)), kStatusOk);
}

TEST(Hpr309Decoder, SignedAnglesAndAttitudeSource)
{
    CHpr309Decoder decoder;
    // Count 2048 is the most negative angle.
    std::string text = DecodeTelegram(decoder, Changed({{1, 0x20}, {2, 0x00}, {3, 0x3F}, {4, 0x3F}})).text;
    EXPECT_EQ(LineOf(text, "Ship Roll"), "Ship Roll      2000       -180.0 degrees of Ship roll");
    EXPECT_EQ(LineOf(text, "Ship Pitch"), "Ship Pitch     3F3F         -0.1 degrees of Ship pitch");

    // From type 5 up the labels say the transponder; the source word only for 5 and 6.
    text = DecodeTelegram(decoder, Changed({{25, 7}})).text;
    EXPECT_EQ(LineOf(text, "Tpdr Roll"), "Tpdr Roll      3F3F         -0.1 degrees of Ship roll");
    EXPECT_EQ(LineOf(text, "Tpdr Pitch"), "Tpdr Pitch     000B          1.0 degrees of Ship pitch");
    EXPECT_EQ(LineOf(text, "Tp_type"), "Tp_type        07         Tpdr type is Unknown");
    text = DecodeTelegram(decoder, Changed({{25, 5}})).text;
    EXPECT_EQ(LineOf(text, "Tpdr Roll"), "Tpdr Roll      3F3F         -0.1 degrees of Inclinometer Tpdr roll");
    text = DecodeTelegram(decoder, Changed({{25, 6}})).text;
    EXPECT_EQ(LineOf(text, "Tpdr Pitch"), "Tpdr Pitch     000B          1.0 degrees of Diff. Inc. Tpdr pitch");
    EXPECT_EQ(LineOf(text, "Tp_type"), "Tp_type        06         Tpdr type is Diff. Inc. transponder?");
}

TEST(Hpr309Decoder, DistancesUnitsAndCoordinateModes)
{
    CHpr309Decoder decoder;
    // Feet: the same count -1 is -0.4101 ft, and every unit word follows.
    std::string text = DecodeTelegram(decoder, Changed({{27, 0x25}})).text;
    EXPECT_EQ(LineOf(text, "X_pos/rng"), "X_pos/rng      0F3F3F       -0.4 feet   is Eastings of tpdr");
    EXPECT_EQ(LineOf(text, "Z_pos/depth"), "Z_pos/depth    000C08      318.2 feet   is Depth of tpdr");
    EXPECT_EQ(LineOf(text, "Q_factor"), "Q_factor       0A           10 feet   is Kalman filter window limit");
    EXPECT_NE(text.find("Coordinate units are expressed in feet  \n"), std::string::npos);

    // Polar, ship up: range, and the bearing from the first two Y bytes only.
    text = DecodeTelegram(decoder, Changed({{0, 0x04}, {11, 0x10}, {12, 0x00}, {13, 0x3F}})).text;
    EXPECT_EQ(LineOf(text, "Header"), "Header         04         Coords: Polar, Ship up, Unfiltered, ");
    EXPECT_EQ(LineOf(text, "X_pos/rng"), "X_pos/rng      0F3F3F       -0.1 metres is Range to tpdr");
    EXPECT_EQ(LineOf(text, "Y_pos/brg"),
              "Y_pos/brg      10003F       90.0 degree is Bearing of tpdr relative to ship's head");
    text = DecodeTelegram(decoder, Changed({{0, 0x0C}})).text;
    EXPECT_EQ(LineOf(text, "Y_pos/brg"), "Y_pos/brg      000200        0.2 degree is Bearing of tpdr relative to north");

    // Cartesian, ship up.
    text = DecodeTelegram(decoder, Changed({{0, 0x23}})).text;
    EXPECT_EQ(LineOf(text, "Header"), "Header         23         Running, Test mode, Coords: Cartesian, Ship up, Unfiltered, ");
    EXPECT_NE(text.find("With respect to the ship's Spare reference point"), std::string::npos);
    EXPECT_EQ(LineOf(text, "X_pos/rng"), "X_pos/rng      0F3F3F       -0.1 metres is Athwartships stbd to tpdr");
    EXPECT_EQ(LineOf(text, "Y_pos/brg"), "Y_pos/brg      000200       16.0 metres is Alongships fwd to tpdr");
}

TEST(Hpr309Decoder, SequenceListsChannelsAndMarksItsOwn)
{
    CHpr309Decoder decoder;
    std::string text = DecodeTelegram(decoder, Changed({{19, 0x00}, {20, 0x00}, {21, 0x04}})).text;
    EXPECT_EQ(LineOf(text, "Tp_sequence"), "Tp_sequence    000004     Telegrams available for channels: (3)");
    // All sixteen: the top bit is the sign bit of the packed value.
    text = DecodeTelegram(decoder, Changed({{19, 0x0F}, {20, 0x3F}, {21, 0x3F}, {7, 16}})).text;
    EXPECT_EQ(LineOf(text, "Tp_sequence"), "Tp_sequence    0F3F3F     Telegrams available for channels:"
                                           " 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 (16)");
    EXPECT_EQ(DecodeTelegram(decoder, Changed({{7, 0x2A}})).indexText, "42");
}

TEST(Hpr309Decoder, CountColumnIsTheCounterModulo256)
{
    CHpr309Decoder decoder;
    EXPECT_EQ(CountColumnsOf255And256(decoder, kTelegram), "255 0");
    // The report keeps the whole number.
    EXPECT_EQ(LineOf(DecodeTelegram(decoder, kTelegram).text, "Telegram number"), "Telegram number : 257");
}

TEST(Hpr309Decoder, EveryGeneratedTelegramIsValid)
{
    std::set<std::string> channels;
    for (const CDecodeResult& result : DecodeGenerated(kTypeHpr309, 200, CHpr309Decoder::kLength)) {
        EXPECT_EQ(LineOf(result.text, "Telegram type"), "Telegram type   : HPR 309 TPDR");
        channels.insert(result.indexText);
    }
    EXPECT_GE(channels.size(), 3u);
}

// The record's position follows what the position lines say X and Y are:
// eastings and northings north up, starboard and forward ship up, Z the
// depth; feet become metres (to the micrometre), and range and bearing give
// none. The telegram holds X count -1, Y 128 and Z 776; test mode is no
// good fix.
TEST(Hpr309Record, PositionFollowsTheCoordinateMode)
{
    const struct {
        int header;
        int transducers;
        const char* xMeaning;  // the end of the X_pos/rng line
        std::optional<CExpectedPosition> position;
    } cases[] = {
        {0x19, 0x05, "metres is Eastings of tpdr", CExpectedPosition{CPositionFrame::North, -0.125, 16.0, 97.0}},
        {0x39, 0x05, "metres is Eastings of tpdr", CExpectedPosition{CPositionFrame::North, -0.125, 16.0, 97.0}},
        {0x11, 0x05, "metres is Athwartships stbd to tpdr",
         CExpectedPosition{CPositionFrame::Vessel, -0.125, 16.0, 97.0}},
        {0x19, 0x25, "feet   is Eastings of tpdr", CExpectedPosition{CPositionFrame::North, -0.124998, 15.999805, 96.99882}},
        {0x01, 0x25, "feet   is Athwartships stbd to tpdr",
         CExpectedPosition{CPositionFrame::Vessel, -0.124998, 15.999805, 96.99882}},
        {0x1B, 0x05, "metres is Eastings of tpdr", CExpectedPosition{CPositionFrame::North, -0.125, 16.0, 97.0, false}},
        {0x1D, 0x05, "metres is Range to tpdr", std::nullopt},
        {0x15, 0x25, "feet   is Range to tpdr", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "header " << c.header << " transducers " << c.transducers);
        CHpr309Decoder decoder;
        const CDecodeResult result = DecodeTelegram(decoder, Changed({{0, c.header}, {27, c.transducers}}));
        EXPECT_THAT(LineOf(result.text, "X_pos/rng"), testing::EndsWith(c.xMeaning));
        ExpectPosition(decoder.Record().position, c.position);
    }
}

// The words of the Status, Timeout and Test lines that say the fix is not
// good, and bits beside them that do not.
TEST(Hpr309Record, StatusWordsMarkTheFix)
{
    const struct {
        CByteChanges changes;
        const char* word;  // in the report
        bool valid;
    } cases[] = {
        {{}, "SLAVE  : Reply in outer beam", true},
        {{{17, 0x07}}, "No Response to interrogation", false},
        {{{17, 0x0C}}, "Bad Tdpr Angular data", false},
        {{{18, 0x04}}, "Pulse(s) not received", false},
        {{{18, 0x08}}, "All pulses received", true},
        {{{24, 0x01}}, "HPR computer fault", false},
        {{{24, 0x10}}, "HPR computer OK", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.word);
        CHpr309Decoder decoder;
        const CDecodeResult result = DecodeTelegram(decoder, Changed(c.changes));
        EXPECT_THAT(result.text, testing::HasSubstr(c.word));
        ASSERT_TRUE(decoder.Record().position);
        EXPECT_EQ(decoder.Record().position->valid, c.valid);
    }
}

TEST(Hpr309Record, ChecksAndFailedTelegrams)
{
    const struct {
        std::string raw;
        std::optional<bool> checksum, length;
    } cases[] = {
        {kTelegram, true, true},
        {kTelegram + '\x55', true, false},  // decoded from its first 32 bytes
        {kTelegram.substr(0, 30) + '\x74' + kTelegram[31], std::nullopt, std::nullopt},
        {kTelegram.substr(0, 31), std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw.size());
        CHpr309Decoder decoder;
        DecodeTelegram(decoder, c.raw);
        const CTelegramRecord record = decoder.TakeRecord();
        ExpectChecks(record, c.checksum, c.length);
        EXPECT_EQ(record.position.has_value(), record.Decoded());
    }
}

// The simulated line gives the plot cartesian, north-up transponders that move.
TEST(Hpr309Record, GeneratedTelegramsCarryMovingPositions)
{
    const CGeneratedRecords seen = GeneratedRecords(kTypeHpr309, 60);
    EXPECT_EQ(seen.agreeing, 60);
    EXPECT_EQ(seen.positions, 60);
    EXPECT_EQ(seen.frames, (std::set<std::string>{"north"}));
    ExpectEveryIndexMoves(seen, 4);
}

} // namespace
