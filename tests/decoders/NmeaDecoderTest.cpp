#include <gtest/gtest.h>

#include <map>
#include <set>

#include "decoders/FormatTable.h"
#include "decoders/NmeaDecoder.h"
#include "decoders/NmeaGenerator.h"
#include "tests/decoders/LoggedDecodeSupport.h"

namespace {

TEST(NmeaDecoder, ValidationByFrameAndLength)
{
    const struct {
        std::string telegram;
        TelegramStatus status;
    } cases[] = {
        {"", kStatusTimedOut},
        {"$\r\n", kStatusBadData},
        {"$A\r\n", kStatusOk},
        {"$PSIMSSB,1*00\r\n", kStatusOk},  // a wrong checksum is no validation error
        {"$PSIMSSB,1\n\r", kStatusBadData},
        {"$PSIMSSB,1\r", kStatusBadData},
        {"PSIMSSB,1\r\n", kStatusBadData},
        {" $PSIMSSB,1\r\n", kStatusBadData},
    };
    CNmeaDecoder decoder;
    for (const auto& c : cases)
        EXPECT_EQ(decoder.Validate(CByteView(c.telegram)), c.status) << c.telegram;
}

TEST(NmeaDecoder, InterpretationByLetters)
{
    const struct {
        std::string sentence, label, line;
    } cases[] = {
        {"$PSIMLBP,1,2,R3,A,L,1,2\r\n", "Type", "Type           R3            LBL position is for ROV 3"},
        {"$PSIMLBP,1,2,T7,A,L,1,2\r\n", "Type", "Type           T7            LBL position is for Beacon 7"},
        {"$PSIMLBP,1,2,V,A,L,1,2\r\n", "Type", "Type           V             LBL position is for the Vessel"},
        {"$PSIMLBP,1,2,X9,A,L,1,2\r\n", "Type", "Type           X9            LBL position is for UNKNOWN Object"},
        {"$PSIMLBP,1,2,V,A,L,1,2\r\n", "X_coord", "X_coordinate   1             East position of Object in local grid"},
        {"$PSIMLBP,1,2,V,A,,1,2\r\n", "Y_coord", "Y_coordinate   2             UNKNOWN Y position of Object"},
        // Any address whose sixth character is not S is read as LBP.
        {"$GPGGA,1,2,V,A,E,1\r\n", "Clock", "Clock          1             Time of origin of LBP (LBL) telegram data"},
        {"$PSIMSSB,1,A12\r\n", "Tp_code", "Tp_code        A12           Low Frequency Beacon index"},
        {"$PSIMSSB,1,Z12\r\n", "Tp_code", "Tp_code        Z12           UNKNOWN Frequency Beacon index"},
        {"$PSIMSSB,1,B1,V,R\r\n", "Error_code",
         "Error_code     R             The measured position is rejected by filter"},
        {"$PSIMSSB,1,B1,A,,P,H,M,1,2\r\n", "Y_coord",
         "Y_coordinate   2             Bearing in degrees of beacon from ship's ref. point"},
        {"$PSIMSSB,1,B1,A,,U,H,M,1,2\r\n", "X_coord",
         "X_coordinate   1             UNKNOWN orientation of beacon position from ship"},
        {"$PSIMSSB,1,B1,A,,U,N,M,1,2\r\n", "Y_coord", "Y_coordinate   2             UTM Eastings of beacon"},
        {"$PSIMSSB,1,B1,A,,P,E,M,1,2\r\n", "X_coord", "X_coordinate   1             UNKNOWN co-ordinate system"},
        {"$PSIMSSB,1,B1,A,,C,,M,1,2\r\n", "X_coord",
         "X_coordinate   1             UNKNOWN orientation of beacon position"},
        {"$PSIMSSB,1,B1,A,,C,H,M,1,2,3,4,C,90,5\r\n", "1st_add", "1st_add_field  90            Beacon Compass heading"},
        {"$PSIMSSB,1,B1,A,,C,H,M,1,2,3,4,C,90,5\r\n", "2nd_add", "2nd_add_field  5             UNKNOWN additional data"},
        {"$PSIMSSB,1,B1,A,,C,H,M,1,2,3,4,,90\r\n", "1st_add", "1st_add_field  90            UNKNOWN additional data"},
    };
    for (const auto& c : cases) {
        CNmeaDecoder decoder;
        EXPECT_EQ(LineOf(DecodeTelegram(decoder, c.sentence).text, c.label), c.line) << c.sentence;
    }
}

TEST(NmeaDecoder, FieldExtraction)
{
    const std::string field20 = "ABCDEFGHIJKLMNOPQRST";
    const std::string field200(200, '7');
    const struct {
        const char* what;
        std::string sentence, label, line;
    } cases[] = {
        {"three characters are padded to 14", "$PSIMSSB,1,B1,A,,C,H,M,1.5\r\n", "X_coord",
         "X_coordinate   1.5           Position of beacon Starboard of ship's ref. point"},
        {"twenty characters are shown whole", "$PSIMSSB,1,B1,A,,C,H,M,1,2," + field20 + "\r\n", "Depth",
         "Depth          " + field20 + "Depth of beacon below ship's ref. point"},
        {"two hundred characters are shown whole", "$PSIMSSB,1,B1,A,,C,H,M,1,2," + field200 + "\r\n", "Depth",
         "Depth          " + field200 + "Depth of beacon below ship's ref. point"},
        {"leading blanks and control characters are skipped", "$PSIMSSB,1,B1,A,,C,H,M,  \t12.5\r\n", "X_coord",
         "X_coordinate   12.5          Position of beacon Starboard of ship's ref. point"},
        {"blanks after the first character belong to the field", "$PSIMSSB,1,B1,A,,C,H,M, 1 2 \r\n", "X_coord",
         "X_coordinate   1 2           Position of beacon Starboard of ship's ref. point"},
        {"0xAC ends a field like a comma", "$PSIMSSB,1\xAC" "C5\xAC" "A\r\n", "Tp_code",
         "Tp_code        C5            High Frequency Beacon index"},
        {"0xAA ends a field like '*'; with no plain '*' the checksum runs to the end", "$PSIMSSB,1,B1,A,,C,H,M,1,2,3,4,N,,\xAA" "5A\r\n", "Checksum",
         "Checksum       5A            Calculated value is (93)"},
        {"an empty checksum field leaves its column out", "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,*\r\n",
         "Checksum", "Checksum       Calculated value is (7B)"},
        {"0xA0 is a blank before the field", "$PSIMSSB,1,\xA0\xA0" "B1\r\n", "Tp_code",
         "Tp_code        B1            Medium Frequency Beacon index"},
    };
    for (const auto& c : cases) {
        CNmeaDecoder decoder;
        EXPECT_EQ(LineOf(DecodeTelegram(decoder, c.sentence).text, c.label), c.line) << c.what;
    }
}

TEST(NmeaDecoder, LongIndexFieldIsTakenWhole)
{
    const std::string code = "B" + std::string(150, '9');
    CNmeaDecoder decoder;
    const CDecodeResult result = DecodeTelegram(decoder, "$PSIMSSB,1," + code + ",A\r\n");
    ExpectIndex(result, 1, code, code);
    EXPECT_EQ(LineOf(result.text, "Tp_code"), "Tp_code        " + code + "Medium Frequency Beacon index");
}

TEST(NmeaDecoder, SentenceAndChecksumColumns)
{
    const struct {
        const char* what;
        std::string sentence, row;
    } cases[] = {
        {"match", "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,*7B\r\n",
         "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,,7B,,13,10"},
        {"match in lower case", "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,*7b\r\n",
         "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,,7b,,13,10"},
        {"mismatch shows the calculated value in upper case", "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,*00\r\n",
         "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,,00,7B,13,10"},
        {"no digits: the line end is not taken for them", "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,*\r\n",
         "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,,,7B,13,10"},
        {"one digit", "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,*7\r\n",
         "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,,7,7B,13,10"},
        {"a minus sign before 0 still reads as 0", "$PSIMSSB,1,B01,AZ*-0\r\n", "$PSIMSSB,1,B01,AZ,-0,,13,10"},
        {"a minus sign before anything else never matches", "$PSIMSSB,1,B01,AZ*-1\r\n", "$PSIMSSB,1,B01,AZ,-1,00,13,10"},
        {"three characters: the third is the first end character",
         "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,*7B \r\n",
         "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,,7B,,32,13"},
        // Two sentences read as one: the row ends the sentence at its first
        // line end and stays one line.
        {"two sentences", "$PSIMSSB,1,B01,A\r\n$PSIMSSB,2,B02,A\r\n", "$PSIMSSB,1,B01,A,,,13,10"},
        {"the second sentence checked", "$PSIMSSB,1,B01,A\r\n$PSIMSSB,2,B02,A*00\r\n", "$PSIMSSB,1,B01,A,,,13,10"},
        {"a line feed alone", "$PSIMSSB,1,B01\nA*00\r\n", "$PSIMSSB,1,B01,,,10,65"},
        {"a CR right after the checksum mark", "$PSIMSSB,1,B01*\r\r\n", "$PSIMSSB,1,B01,,37,13,13"},
        // A field with a double quote is quoted, its quotes doubled, so a
        // CSV reader keeps every field in its own column.
        {"a quote opening a field", "$PSIMSSB,1,\"B01,A\r\n", "$PSIMSSB,1,\"\"\"B01\",A,,,13,10"},
        {"quotes inside a field", "$PSIMLBP,1,2,R\"2\"x,A,,\r\n", "$PSIMLBP,1,2,\"R\"\"2\"\"x\",A,,,,,13,10"},
        {"a comma and a quote for checksum digits", "$PSIMSSB,1,B01*,\"\r\n",
         "$PSIMSSB,1,B01,\",\"\"\",37,13,10"},
        // A spreadsheet takes every field as text, a terminal takes no
        // control from it; numbers stay as they are.
        {"a formula for the index", "$PSIMSSB,1,=HYPERLINK(\"x\"),A,,C,H,M,-61.300,+2.5,3.0*00\r\n",
         "$PSIMSSB,1,\"'=HYPERLINK(\"\"x\"\")\",A,,C,H,M,-61.300,+2.5,3.0,00,79,13,10"},
        {"escape and bell", "$PSIMSSB,1,B\x1b]0;x\x07,A\r\n", "$PSIMSSB,1,B?]0;x?,A,,,13,10"},
    };
    for (const auto& c : cases) {
        CNmeaDecoder decoder;
        CLoggedDecoder logged(decoder);
        const CLoggedDecode out = logged.Decode(c.sentence);
        EXPECT_EQ(out.row, " 0.00," + std::to_string(c.sentence.size()) + ",OK," + c.row) << c.what;
        EXPECT_EQ(logged.CsvLines().size(), 5u) << c.what;  // four header rows and one row
    }
}

TEST(NmeaDecoder, GeneratedSentencesDecodeWithMatchingChecksums)
{
    auto generator = CTelegramGenerator::Create(kTypeNmea);
    ASSERT_NE(generator, nullptr);
    auto decoder = CFormatTable::Create(kTypeNmea);
    ASSERT_NE(decoder, nullptr);
    CLoggedDecoder logged(*decoder);
    std::set<std::string> indexes;
    for (int i = 0; i < 16; ++i) {
        const std::string sentence = generator->Next();
        ASSERT_LE(sentence.size(), 256u);
        EXPECT_EQ(decoder->Validate(CByteView(sentence)), kStatusOk) << sentence;
        const CLoggedDecode out = logged.Decode(sentence);
        EXPECT_EQ(out.result.text.find("UNKNOWN"), std::string::npos) << out.result.text;
        ASSERT_TRUE(out.result.index.valid);
        indexes.insert(out.result.index.text);
        // Chk_Csum is empty when the received checksum matches.
        const std::string checksum = sentence.substr(sentence.find('*') + 1, 2);
        EXPECT_EQ(out.row.substr(out.row.size() - 10), "," + checksum + ",,13,10") << sentence;
    }
    for (const char* index : {"B01", "B02", "C12", "T3", "R2", "V"})
        EXPECT_TRUE(indexes.count(index)) << index;
}

// The record's x is the coordinate whose line says east (UTM eastings;
// starboard when the ship's head is up), its y the one that says north
// (northings; forwards), whichever of X_coordinate and Y_coordinate holds it.
TEST(NmeaRecord, PositionByCoordinateSystemAndOrientation)
{
    // The interpretations of the lines that are x, y and z.
    struct CAxesTexts {
        const char* x;
        const char* y;
        const char* z;
    };
    const char* const kSsbDepth = "Depth of beacon below ship's ref. point";
    const CAxesTexts kHeadUp{"Position of beacon Starboard of ship's ref. point",
                             "Position of beacon Forwards of ship's ref. point", kSsbDepth};
    const CAxesTexts kNorthUp{"Position of beacon East of ship's ref. point",
                              "Position of beacon North of ship's ref. point", kSsbDepth};
    const CAxesTexts kSsbUtm{"UTM Eastings of beacon", "UTM Northings of beacon", kSsbDepth};
    const CAxesTexts kLocal{"East position of Object in local grid", "North position of Object in local grid",
                            "Depth of Object"};
    const CAxesTexts kLbpUtm{"Eastings of Object in UTM grid", "Northings of Object in UTM grid", "Depth of Object"};
    const struct {
        const char* what;
        std::string sentence;
        CPositionFrame frame;
        const CAxesTexts& texts;
    } cases[] = {
        {"SSB ship's head up", "$PSIMSSB,143027.50,B07,A,,C,H,M,12.30,-45.6,310.40,0.5,N,,\r\n", CPositionFrame::Vessel,
         kHeadUp},
        {"SSB bad fix, rejected by the filter", "$PSIMSSB,1,C12,V,R,C,H,F,1.5,2.5,3.5,9.0,I,2.1,-1.5*00\r\n",
         CPositionFrame::Vessel, kHeadUp},
        {"SSB North up, North first", "$PSIMSSB,1,B07,A,,C,N,M,100.25,-20.5,310.40,0.5,N,,\r\n", CPositionFrame::North,
         kNorthUp},
        {"SSB North up, East first", "$PSIMSSB,1,B07,A,,C,E,M,-20.5,100.25,310.40,0.5,N,,\r\n", CPositionFrame::North,
         kNorthUp},
        {"SSB UTM, North first", "$PSIMSSB,1,B07,A,,U,N,F,6543210.50,432109.80,310.40,0.5,N,,\r\n",
         CPositionFrame::Grid, kSsbUtm},
        {"SSB UTM, East first", "$PSIMSSB,1,B07,A,,U,E,P,432109.80,6543210.50,310.40,0.5,N,,\r\n",
         CPositionFrame::Grid, kSsbUtm},
        {"LBP local, North first", "$PSIMLBP,1,2,T7,A,C,100.5,200.5,55.0,1,1,1,1\r\n", CPositionFrame::Grid, kLocal},
        {"LBP local, East first", "$PSIMLBP,1,2,R2,A,L,100.5,200.5,55.0,1,1,1,1\r\n", CPositionFrame::Grid, kLocal},
        {"signs, exponents and blanks", "$PSIMLBP,1,2,V,A,L, +1.5e2 ,-0.25E-1\t,-3.\r\n", CPositionFrame::Grid,
         kLocal},
        {"LBP UTM, Northings first", "$PSIMLBP,1,2,V,A,U,6543210.50,432109.80,4.5,1,1,1,1\r\n", CPositionFrame::Grid,
         kLbpUtm},
        {"LBP UTM, Eastings first, bad fix", "$PSIMLBP,1,2,V,?,E,432109.80,6543210.50,4.5,1,1,1,1\r\n",
         CPositionFrame::Grid, kLbpUtm},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CTelegramRecord record = DecodedRecord<CNmeaDecoder>(c.sentence);
        ASSERT_TRUE(record.position);
        EXPECT_EQ(record.position->frame, c.frame);
        EXPECT_DOUBLE_EQ(record.position->x, NumberOnLine(record, c.texts.x));
        EXPECT_DOUBLE_EQ(record.position->y, NumberOnLine(record, c.texts.y));
        EXPECT_DOUBLE_EQ(record.position->z, NumberOnLine(record, c.texts.z));
    }
    // UTM coordinates keep their centimetres.
    const CTelegramRecord utm = DecodedRecord<CNmeaDecoder>("$PSIMLBP,1,2,V,A,U,6543210.57,432109.83,4.5\r\n");
    ASSERT_TRUE(utm.position);
    EXPECT_EQ(utm.position->x, 432109.83);
    EXPECT_EQ(utm.position->y, 6543210.57);
}

TEST(NmeaRecord, NoPositionForPolarUnknownOrUnreadableCoordinates)
{
    const struct {
        const char* what;
        std::string sentence;
    } cases[] = {
        {"range and bearing", "$PSIMSSB,1,B07,A,,P,H,M,150.0,45.0,310.40,0.5,N,,\r\n"},
        {"UTM with the ship's head up", "$PSIMSSB,1,B07,A,,U,H,M,1.0,2.0,3.0,0.5,N,,\r\n"},
        {"polar North up", "$PSIMSSB,1,B07,A,,P,N,M,1.0,2.0,3.0,0.5,N,,\r\n"},
        {"polar East first", "$PSIMSSB,1,B07,A,,P,E,M,1.0,2.0,3.0,0.5,N,,\r\n"},
        {"unknown orientation", "$PSIMSSB,1,B07,A,,C,Z,M,1.0,2.0,3.0,0.5,N,,\r\n"},
        {"empty orientation", "$PSIMSSB,1,B07,A,,C,,M,1.0,2.0,3.0,0.5,N,,\r\n"},
        {"empty coordinate system", "$PSIMSSB,1,B07,A,,,H,M,1.0,2.0,3.0,0.5,N,,\r\n"},
        {"unknown LBP coordinates", "$PSIMLBP,1,2,V,A,X,1.0,2.0,3.0,1,1,1,1\r\n"},
        {"empty LBP coordinates", "$PSIMLBP,1,2,V,A,,1.0,2.0,3.0,1,1,1,1\r\n"},
        {"empty X", "$PSIMSSB,1,B07,N,N,C,H,M,,2.0,3.0,0.5,N,,\r\n"},
        {"empty depth", "$PSIMLBP,1,2,V,A,C,1.0,2.0,,1,1,1,1\r\n"},
        {"a word", "$PSIMLBP,1,2,V,A,C,1.0,abc,3.0\r\n"},
        {"two points", "$PSIMLBP,1,2,V,A,C,12.3.4,2.0,3.0\r\n"},
        {"a unit after the number", "$PSIMLBP,1,2,V,A,C,1.0,2.0,3.0m\r\n"},
        {"two signs", "$PSIMLBP,1,2,V,A,C,+-1.0,2.0,3.0\r\n"},
        {"a sign alone", "$PSIMLBP,1,2,V,A,C,-,2.0,3.0\r\n"},
        {"hexadecimal", "$PSIMLBP,1,2,V,A,C,0x1A,2.0,3.0\r\n"},
        {"infinite", "$PSIMLBP,1,2,V,A,C,1.0,inf,3.0\r\n"},
        {"not a number", "$PSIMLBP,1,2,V,A,C,nan,2.0,3.0\r\n"},
        {"beyond the range of a double", "$PSIMLBP,1,2,V,A,C,1.0,2.0,1e999\r\n"},
        {"sentence ends before the depth", "$PSIMSSB,1,B07,A,,C,H,M,1.0,2.0\r\n"},
        {"failed sentence", "$PSIMSSB,1,B07,A,,C,H,M,1.0,2.0,3.0,0.5,N,,\n\r"},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(DecodedRecord<CNmeaDecoder>(c.sentence).position) << c.what;
}

// Status V and every Error_code but M ("Missing additional data") mark an
// SSB fix as not good; every LBP Status but A does. Letters the tables do
// not know for the status say nothing.
TEST(NmeaRecord, StatusWordsMarkTheFix)
{
    const struct {
        std::string sentence;
        bool valid;
    } cases[] = {
        {"$PSIMSSB,1,B07,A,,C,H,M,1.0,2.0,3.0,0.5,N,,\r\n", true},
        {"$PSIMSSB,1,B07,V,,C,H,M,1.0,2.0,3.0,0.5,N,,\r\n", false},
        {"$PSIMSSB,1,B07,Q,,C,H,M,1.0,2.0,3.0,0.5,N,,\r\n", true},
        {"$PSIMSSB,1,B07,A,R,C,H,F,1.0,2.0,3.0,0.5,N,,\r\n", false},
        {"$PSIMSSB,1,B07,A,X,C,H,M,1.0,2.0,3.0,0.5,N,,\r\n", false},
        {"$PSIMSSB,1,B07,A,M,C,H,M,1.0,2.0,3.0,0.5,I,,\r\n", true},
        {"$PSIMLBP,1,2,V,A,C,1.0,2.0,3.0,1,1,1,1\r\n", true},
        {"$PSIMLBP,1,2,V,?,C,1.0,2.0,3.0,1,1,1,1\r\n", false},
        {"$PSIMLBP,1,2,V,C,C,1.0,2.0,3.0,1,1,1,1\r\n", false},
        {"$PSIMLBP,1,2,V,Z,C,1.0,2.0,3.0,1,1,1,1\r\n", true},
    };
    for (const auto& c : cases) {
        const CTelegramRecord record = DecodedRecord<CNmeaDecoder>(c.sentence);
        ASSERT_TRUE(record.position) << c.sentence;
        EXPECT_EQ(record.position->valid, c.valid) << c.sentence;
    }
}

TEST(NmeaRecord, ChecksumAndFieldCount)
{
    const std::optional<bool> kNone;
    const struct {
        const char* what;
        std::string sentence;
        std::optional<bool> checksum, length;
    } cases[] = {
        {"matching checksum", "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,*7B\r\n", true, true},
        {"matching in lower case", "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,*7b\r\n", true, true},
        {"wrong checksum", "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,*00\r\n", false, true},
        {"no checksum digits", "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,*\r\n", false, true},
        {"no checksum", "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,,\r\n", kNone, true},
        {"LBP with checksum", "$PSIMLBP,1,2,V,A,C,1,2,3,4,5,6,7*3E\r\n", true, true},
        {"LBP without checksum", "$PSIMLBP,1,2,V,A,C,1,2,3,4,5,6,7\r\n", kNone, true},
        {"one field short: the checksum is no field", "$PSIMSSB,1,B01,A,,C,H,M,1.0,2.0,3.0,0.5,N,*57\r\n", true,
         false},
        {"0xAC separates like a comma", "$PSIMLBP,1,2,V,A,C,1,2,3,4,5,6\xAC" "7\r\n", kNone, true},
        {"cut short", "$PSIMSSB,1,B01\r\n", kNone, false},
        {"a field too many", "$PSIMLBP,1,2,V,A,C,1,2,3,4,5,6,7,8\r\n", kNone, false},
        {"a field too many, and no hex digits", "$PSIMLBP,1,2,V,A,C,1,2,3,4,5,6,7,extra*hh\r\n", false, false},
        {"text after the checksum", "$PSIMLBP,1,2,V,A,C,1,2,3,4,5,6,7*3E,x\r\n", true, false},
        {"failed sentence", "$PSIMLBP,1,2,V,A,C,1,2,3,4,5,6,7*3E\n\r", kNone, kNone},
    };
    for (const auto& c : cases) {
        const CTelegramRecord record = DecodedRecord<CNmeaDecoder>(c.sentence);
        EXPECT_EQ(record.checksumAgrees, c.checksum) << c.what;
        EXPECT_EQ(record.lengthAgrees, c.length) << c.what;
    }
}

// The simulated line: every sentence has its position and agreeing checks,
// and every index moves.
TEST(NmeaRecord, GeneratedSentencesCarryMovingPositionsAndAgreeingChecks)
{
    auto generator = CTelegramGenerator::Create(kTypeNmea);
    CNmeaDecoder decoder;
    std::set<CPositionFrame> frames;
    std::map<std::string, std::set<std::pair<double, double>>> fixes;
    for (int i = 0; i < 36; ++i) {
        const std::string sentence = generator->Next();
        const CDecodeResult result = DecodeTelegram(decoder, sentence);
        const CTelegramRecord record = decoder.TakeRecord();
        ASSERT_TRUE(record.position) << sentence;
        frames.insert(record.position->frame);
        fixes[result.index.text].insert({record.position->x, record.position->y});
        EXPECT_EQ(record.checksumAgrees, true) << sentence;
        EXPECT_EQ(record.lengthAgrees, true) << sentence;
    }
    EXPECT_EQ(frames, (std::set<CPositionFrame>{CPositionFrame::Vessel, CPositionFrame::Grid}));
    EXPECT_EQ(fixes.size(), 6u);
    for (const auto& [index, seen] : fixes)
        EXPECT_GT(seen.size(), 1u) << index;
}

} // namespace
