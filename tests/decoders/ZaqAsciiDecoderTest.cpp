#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "decoders/FormatTable.h"
#include "decoders/ZaqAsciiDecoder.h"
#include "decoders/ZaqAsciiGenerator.h"
#include "tests/decoders/LoggedDecodeSupport.h"

namespace {

const std::string kDocumentStart =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Courier New;}"
    "{\\colortbl;\\red100\\green100\\blue255;\\red244\\green244\\blue194;}}\\fs20 ";

TEST(ZaqAsciiDecoder, ValidationByLengthAndLineEnd)
{
    const struct {
        std::string telegram;
        TelegramStatus status;
    } cases[] = {
        {"", kStatusTimedOut},
        {"7\r\n", kStatusBadData},         // too short, even with a right line end
        {"B:1\r\n", kStatusOk},
        {"B:1\n\r", kStatusOk},            // LF CR is accepted like CR LF
        {"B:1\r", kStatusBadData},
        {"B:1\n\n", kStatusBadData},
        {"B:1\r\r", kStatusBadData},
        {"B:1 \r\n ", kStatusBadData},     // the line end must be last
    };
    CZaqAsciiDecoder decoder;
    for (const auto& c : cases)
        EXPECT_EQ(decoder.Validate(CByteView(c.telegram)), c.status) << c.telegram;
}

TEST(ZaqAsciiDecoder, WholeReportAndRowOfABeaconTelegram)
{
    const std::string telegram =
        "07 Jan 26 14:03:27 B: 12 X:104.6 Y:-37.3 D:310.4 P:1.2 R:-0.4 H:271.9 A:2.1 E:3\r\n";
    CZaqAsciiDecoder decoder;
    CLoggedDecoder logged(decoder);
    const CLoggedDecode out = logged.Decode(telegram);

    const std::string expected =
        kDocumentStart +
        "Telegram type   : ZAQ ASCII TPDR\\line "
        "Telegram number : 1\\line "
        "Number of bytes : 81\\line "
        "\\line "
        "\\cf1 07 Jan 26 14:03:27 B: 12 X:104.6 Y:-37.3 D:310.4 P:1.2 R:-0.4 H:271.9 A:2.1 E:3\r\n\\cf0 "
        "\\line \\line "
        "\\ul \\b Tgram field    ASCII         Interpretation                                        "
        "\\ul0 \\b0 \\line "
        "Date           \\cf1 07 Jan 26\\cf0    Date of origin of telegram data\\line "
        "Time           \\cf1 14:03:27\\cf0     Time of origin of telegram data\\line "
        "Tp_index       \\cf1 B:     12\\cf0    Beacon index : Transponder 12\\line "
        "X_pos          \\cf1 X:  104.6\\cf0    Beacon X coordinate position (metres)\\line "
        "Y_pos          \\cf1 Y:  -37.3\\cf0    Beacon Y coordinate position (metres)\\line "
        "Z_pos          \\cf1 D:  310.4\\cf0    Beacon Depth (metres)\\line "
        "Ship pitch     \\cf1 P:    1.2\\cf0    Ship's pitch (degrees)\\line "
        "Ship roll      \\cf1 R:   -0.4\\cf0    Ship's roll (degrees)\\line "
        "Ship heading   \\cf1 H:  271.9\\cf0    Ship's heading (degrees)\\line "
        "Tpdr pitch     \\cf1 A:    2.1\\cf0    Riser angle beacon pitch (degrees)\\line "
        "Tpdr roll      \\cf1 C:    0.0\\cf0    Riser angle beacon roll (degrees)\\line "
        "Error status   \\cf1 E:      3\\cf0    Simulated data or Error in telegram; error 3\\line "
        "End character  \\cf1 (0d)     \\cf0    First end character of telegram is ENTER\\line "
        "End character  \\cf1 (0a)     \\cf0    Second end character of telegram is LINEFEED\\line "
        "}";
    EXPECT_EQ(out.result.document, expected);
    // Day 7 is blank-padded in the log, A without C logs C as 0.0.
    EXPECT_EQ(out.row, " 0.00,81,OK, 7 Jan 26,14:03:27,12,104.6,-37.3,310.4,1.2,-0.4,271.9,3,2.1,0.0,13,10");
    ExpectIndex(out.result, 1, "12", "12");

    const std::vector<std::string> lines = logged.CsvLines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Time,Tdiff,Count,Status,Date,Time,Tpdr,X/East,Y/North,Z/Depth,Pitch,Roll,Heading,"
                        "Error,TP_Pitch,TP_Roll,End_1,End_2");
    EXPECT_EQ(lines[1], "Base ->,secs,10,Text,Date,Time,10,metre,metre,metre,deg,deg,deg,10,deg,deg,10,10");
}

// The ship's northings are shown and logged as they arrived (a float would
// make 6543210.2 a 6543210.0).
TEST(ZaqAsciiDecoder, ShipTelegramKeepsOutOfTheFilterAndIgnoresRiserAngles)
{
    CZaqAsciiDecoder decoder;
    CLoggedDecoder logged(decoder);
    // Missing E and missing H; A and C are not read for the ship.
    const CLoggedDecode out =
        logged.Decode("08 Dec 26 23:59:59 B:0 X:456789.5 Y:6543210.2 D:5.1 P:-1.0 R:0.5 A:1.0 C:2.0\n\r");
    const std::string& text = out.result.text;
    EXPECT_NE(text.find("Telegram type   : ZAQ ASCII SHIP\n"), std::string::npos);
    EXPECT_EQ(LineOf(text, "Tp_index"), "Tp_index       B:      0   Beacon index : Ship");
    EXPECT_EQ(LineOf(text, "East"), "East           X:456789.5   Ship's Eastings position (metres)");
    EXPECT_EQ(LineOf(text, "North"), "North          Y:6543210.2   Ship's Northings position (metres)");
    EXPECT_EQ(LineOf(text, "Depth"), "Depth          D:    5.1   Ship's Depth (metres)");
    EXPECT_EQ(LineOf(text, "Ship heading"), "Ship heading   H:    0.0   Ship's heading (degrees)");
    EXPECT_EQ(LineOf(text, "Error status"), "Error status               No error");
    EXPECT_EQ(text.find("Tpdr"), std::string::npos);
    EXPECT_EQ(LineOf(text, "End character", 0),
              "End character  (0a)        First end character of telegram is LINEFEED");
    EXPECT_EQ(LineOf(text, "End character", 1),
              "End character  (0d)        Second end character of telegram is ENTER");
    EXPECT_EQ(out.row, " 0.00,78,OK, 8 Dec 26,23:59:59,0,456789.5,6543210.2,5.1,-1.0,0.5,0.0,0,,,10,13");
    ExpectIndex(out.result, 0, "Ship", "");
}

TEST(ZaqAsciiDecoder, TagSearch)
{
    const struct {
        const char* what;
        std::string telegram;
        std::string tpIndexLine;  // empty: no B tag, the report is "No index!, " alone
    } cases[] = {
        {"blank and number after the colon", "07 Jan 26 14:03:27 B: 12 X:1.0\r\n",
         "Tp_index       B:     12   Beacon index : Transponder 12"},
        {"tags in any order", "07 Jan 26 14:03:27 X:1.0 E:0 B:3\r\n",
         "Tp_index       B:      3   Beacon index : Transponder 3"},
        {"B without a number is the ship", "07 Jan 26 14:03:27 B: X:1.0\r\n",
         "Tp_index       B:      0   Beacon index : Ship"},
        {"negative index is a beacon", "07 Jan 26 14:03:27 B:-2\r\n",
         "Tp_index       B:     -2   Beacon index : Transponder -2"},
        {"a huge index is held at the end of the range", "07 Jan 26 14:03:27 B:99999999999999\r\n",
         "Tp_index       B:     2147483647   Beacon index : Transponder 2147483647"},
        {"lower-case b is no tag", "07 Jan 26 14:03:27 b:5 X:1.0\r\n", ""},
        {"B not directly followed by a colon", "07 Jan 26 14:03:27 B 5 X:1.0\r\n", ""},
        {"tag after the first CR", "07 Jan 26 14:03:27 X:1.0\rB:5\r\n", ""},
    };
    for (const auto& c : cases) {
        CZaqAsciiDecoder decoder;
        CLoggedDecoder logged(decoder);
        const CLoggedDecode out = logged.Decode(c.telegram);
        if (c.tpIndexLine.empty()) {
            EXPECT_EQ(out.result.text, "No index!, ") << c.what;
            EXPECT_EQ(out.row, " 0.00," + std::to_string(c.telegram.size()) + ",OK") << c.what;
            EXPECT_FALSE(out.result.index.valid) << c.what;
        } else {
            EXPECT_EQ(LineOf(out.result.text, "Tp_index"), c.tpIndexLine) << c.what;
        }
    }
}

TEST(ZaqAsciiDecoder, NumbersAbsentOrUnreadableAreZero)
{
    CZaqAsciiDecoder decoder;
    CLoggedDecoder logged(decoder);
    const CLoggedDecode out =
        logged.Decode("07 Jan 26 14:03:27 B:4 X:abc Y:1e3 D:+2.5 P:+-1 R:infi C:7.25e-1 E:\r\n");
    const std::string& text = out.result.text;
    EXPECT_EQ(LineOf(text, "X_pos"), "X_pos          X:    0.0   Beacon X coordinate position (metres)");
    EXPECT_EQ(LineOf(text, "Y_pos"), "Y_pos          Y: 1000.0   Beacon Y coordinate position (metres)");
    EXPECT_EQ(LineOf(text, "Z_pos"), "Z_pos          D:    2.5   Beacon Depth (metres)");
    // C without A: both riser lines, A as 0.0.
    EXPECT_EQ(LineOf(text, "Tpdr pitch"), "Tpdr pitch     A:    0.0   Riser angle beacon pitch (degrees)");
    EXPECT_EQ(LineOf(text, "Tpdr roll"), "Tpdr roll      C:    0.7   Riser angle beacon roll (degrees)");
    EXPECT_EQ(LineOf(text, "Error status"), "Error status               No error");
    EXPECT_EQ(out.row, " 0.00,69,OK, 7 Jan 26,14:03:27,4,0.0,1000.0,2.5,0.0,0.0,0.0,0,0.0,0.7,13,10");
}

TEST(ZaqAsciiDecoder, RealsInDecimalAndHexadecimal)
{
    // The sender's scan conversion also takes hexadecimal reals after "0x".
    const struct {
        std::string number, column;
    } cases[] = {
        {".5", "X:    0.5"},         {"5.", "X:    5.0"},           {"-2.5e1", "X:  -25.0"},
        {"0x1A", "X:   26.0"},       {"-0x1.8p3", "X:  -12.0"},     {"0X.8", "X:    0.5"},
        {"0xg", "X:    0.0"},        {"0x-5", "X:    0.0"},
    };
    for (const auto& c : cases) {
        CZaqAsciiDecoder decoder;
        const CDecodeResult result = DecodeTelegram(decoder, "07 Jan 26 14:03:27 B:4 X:" + c.number + " Y:1\r\n");
        EXPECT_EQ(LineOf(result.text, "X_pos"), "X_pos          " + c.column + "   Beacon X coordinate position (metres)")
            << c.number;
    }
}

// A real is what the C library's scan conversion "%lf" stores for the text
// after the colon, in the report and in the log alike; when that conversion
// fails the value is unread and shows as 0.0. Words beyond the double range,
// words that only start like a number and the scan's own quirks.
TEST(ZaqAsciiDecoder, RealsAreWhatTheCLibraryScanReads)
{
    const char* words[] = {
        // decimals a float would not keep
        "6543210.3", "512345.67", "0.15", "-1234567.891", "3.40282357e38", "-1e99",
        // beyond the double range: infinities, and zeros that keep their sign
        "1e999", "-1e999", "1.797693134862315808e308", "-0x1p1024", "1e99999999999999999999", "-1e-999", "1e-999",
        "-1e-330",
        // words that start like "infinity" or "nan"
        "infix", "infi", "-infinit", "+infin", "inf5", "-INF", "InFiNiTy7", "in", "nan(7)", "-nanx", "na",
        // signs, points, exponents and hexadecimal prefixes
        "-0xg", "-0x", "0x.", "-0x.p1", "0x1p+", "--1", "+-1", "+.5", "-.", "1e+", "-0",
    };
    for (const std::string word : words) {
        const std::string telegram = "07 Jan 26 14:03:27 B:4 X:" + word + " Y:1\r\n";
        double scanned = 0.0;
        if (std::sscanf(telegram.c_str() + telegram.find("X:") + 2, "%lf", &scanned) != 1)
            scanned = 0.0;
        char column[400];
        char logged[400];
        std::snprintf(column, sizeof column, "X:%7.1f", scanned);
        std::snprintf(logged, sizeof logged, "%3.1f", scanned);

        CZaqAsciiDecoder decoder;
        CLoggedDecoder log(decoder);
        const CLoggedDecode out = log.Decode(telegram);
        EXPECT_EQ(LineOf(out.result.text, "X_pos"),
                  "X_pos          " + std::string(column) + "   Beacon X coordinate position (metres)")
            << word;
        EXPECT_EQ(out.row, " 0.00," + std::to_string(telegram.size()) + ",OK, 7 Jan 26,14:03:27,4," + logged +
                               ",1.0,0.0,0.0,0.0,0.0,0,,,13,10")
            << word;
    }
}

TEST(ZaqAsciiDecoder, DateAndTimeScan)
{
    const struct {
        std::string telegram;
        std::string errorText;  // what stands before the header
        std::string date, time, csv;
    } cases[] = {
        {"  7   Jan26 9:5:1 B:1\r\n", "", "07 Jan 26", "09:05:01", " 7 Jan 26,09:05:01"},
        {"07 Jan B:1\r\n", "Error in extracting 6 items from datetime, extracted 2", "07 Jan 00", "00:00:00",
         " 7 Jan 00,00:00:00"},
        {"B:1 X:2.0\r\n", "Error in extracting 6 items from datetime, extracted 0", "00     00", "00:00:00",
         " 0     00,00:00:00"},
        {"    \r\n", "Error in extracting 6 items from datetime, extracted 0", "", "", ""},
        // A comma or a quote in the month stays in the date's column.
        {"07 J,n 26 14:03:27 B:1\r\n", "", "07 J,n 26", "14:03:27", "\" 7 J,n 26\",14:03:27,"},
        {"07 \"a\" 26 14:03:27 B:1\r\n", "", "07 \"a\" 26", "14:03:27", "\" 7 \"\"a\"\" 26\",14:03:27,"},
    };
    for (const auto& c : cases) {
        CZaqAsciiDecoder decoder;
        CLoggedDecoder logged(decoder);
        const CLoggedDecode out = logged.Decode(c.telegram);
        const std::string& text = out.result.text;
        if (c.date.empty()) {
            // No B tag before the first CR: the date error, then "No index!, ".
            EXPECT_EQ(text, c.errorText + "No index!, ");
            continue;
        }
        EXPECT_EQ(text.rfind(c.errorText + "Telegram type   : ZAQ ASCII TPDR\n", 0), 0u) << text;
        EXPECT_EQ(LineOf(text, "Date"), "Date           " + c.date + "   Date of origin of telegram data");
        EXPECT_EQ(LineOf(text, "Time "), "Time           " + c.time + "    Time of origin of telegram data");
        EXPECT_EQ(out.row.substr(out.row.find(",OK,") + 4, c.csv.size()), c.csv);
    }
}

TEST(ZaqAsciiDecoder, FailedTelegramLeavesOnlyTheRowPrefix)
{
    CZaqAsciiDecoder decoder;
    CLoggedDecoder logged(decoder);
    const CLoggedDecode out = logged.Decode("07 Jan 26 14:03:27 B:1\r");
    EXPECT_EQ(out.result.text, "Telegram type   : BAD DATA\nTelegram number : 1\nNumber of bytes : 23\n\n");
    EXPECT_EQ(out.row, " 0.00,23,BAD DATA");
    EXPECT_FALSE(out.result.index.valid);
}

TEST(ZaqAsciiDecoder, ReceivedTextIsEchoedWhole)
{
    // NUL bytes, RTF markup and bytes above 0x7F inside a long telegram.
    std::string telegram = std::string("07 Jan 26 14:03:27 B:2 \0{\\}\xE9 X:5.0 ", 34) + std::string(200, 'z') + "\r\n";
    CZaqAsciiDecoder decoder;
    const CDecodeResult result = DecodeTelegram(decoder, telegram);
    std::string echoed = telegram;
    echoed.erase(echoed.size() - 2);  // the reader drops CR and LF
    EXPECT_NE(result.text.find("\n" + echoed + "\n"), std::string::npos);
    EXPECT_EQ(LineOf(result.text, "X_pos"), "X_pos          X:    5.0   Beacon X coordinate position (metres)");
}

TEST(ZaqAsciiDecoder, GeneratedTelegramsDecodeCleanly)
{
    auto generator = CTelegramGenerator::Create(kTypeZaqAscii);
    ASSERT_NE(generator, nullptr);
    auto decoder = CFormatTable::Create(kTypeZaqAscii);
    ASSERT_NE(decoder, nullptr);
    CLoggedDecoder logged(*decoder);
    std::set<std::string> indexes;
    bool sawRiser = false;
    for (int i = 0; i < 12; ++i) {
        const std::string telegram = generator->Next();
        ASSERT_LE(telegram.size(), 256u);
        EXPECT_EQ(decoder->Validate(CByteView(telegram)), kStatusOk) << telegram;
        const CLoggedDecode out = logged.Decode(telegram);
        EXPECT_EQ(out.result.text.find("Error in extracting"), std::string::npos) << telegram;
        EXPECT_EQ(LineOf(out.result.text, "Error status"), "Error status               No error");
        ASSERT_TRUE(out.result.index.valid) << telegram;
        indexes.insert(out.result.index.text);
        sawRiser = sawRiser || out.result.text.find("Tpdr pitch") != std::string::npos;
        // Eighteen columns: the four of the prefix and fourteen of the telegram.
        EXPECT_EQ(std::count(out.row.begin(), out.row.end(), ','), 16) << out.row;
    }
    EXPECT_TRUE(indexes.count("Ship"));
    EXPECT_GE(indexes.size(), 3u);
    EXPECT_TRUE(sawRiser);
}

// The number on a field line, after its tag and colon.
double ShownNumber(const CTelegramRecord& record, const std::string& interpretation)
{
    return NumberOnLine(record, interpretation, 2);
}

// The record's x, y and z are the numbers on the lines whose interpretation
// names them, as they arrived: a ship's eastings, northings and depth in
// the grid; a beacon's X and Y, which the telegram does not orient, and its
// depth. An error status marks the fix as not good.
TEST(ZaqAsciiRecord, PositionOfBeaconAndShipTelegrams)
{
    struct CKind {
        CPositionFrame frame;
        const char* lines[3];  // the interpretations of x, y and z
    };
    const CKind beacon{CPositionFrame::Unspecified,
                       {"Beacon X coordinate position (metres)", "Beacon Y coordinate position (metres)",
                        "Beacon Depth (metres)"}};
    const CKind ship{CPositionFrame::Grid,
                     {"Ship's Eastings position (metres)", "Ship's Northings position (metres)",
                      "Ship's Depth (metres)"}};
    const struct {
        const char* what;
        std::string telegram;
        const CKind& kind;
        bool valid;
    } cases[] = {
        {"beacon", "07 Jan 26 14:03:27 B: 12 X:104.6 Y:-37.3 D:310.4 P:1.2 R:-0.4 H:271.9 A:2.1 E:0\r\n", beacon, true},
        {"beacon, tags in another order", "07 Jan 26 14:03:27 D: 12.5 Y:-3 X:7 B:4\r\n", beacon, true},
        {"beacon with an error status", "07 Jan 26 14:03:27 B:3 X:1.5 Y:2.5 D:3.5 E:7\r\n", beacon, false},
        {"ship", "08 Dec 26 23:59:59 B:0 X:456789.7 Y:6543210.3 D:5.1 P:-1.0 R:0.5 H:10.0 E:0\n\r", ship, true},
        {"ship with a B tag holding no number", "08 Dec 26 23:59:59 B: X:-12.5 Y:0.5 D:-1.0\r\n", ship, true},
        {"ship with an error status", "08 Dec 26 23:59:59 B:0 X:456789.5 Y:6543210.5 D:5.1 E:-1\r\n", ship, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CTelegramRecord record = DecodedRecord<CZaqAsciiDecoder>(c.telegram);
        ASSERT_TRUE(record.position);
        EXPECT_EQ(record.position->frame, c.kind.frame);
        EXPECT_EQ(record.position->x, ShownNumber(record, c.kind.lines[0]));
        EXPECT_EQ(record.position->y, ShownNumber(record, c.kind.lines[1]));
        EXPECT_EQ(record.position->z, ShownNumber(record, c.kind.lines[2]));
        EXPECT_EQ(record.position->valid, c.valid);
        // A line of text carries neither a checksum nor a layout of fixed length.
        EXPECT_FALSE(record.checksumAgrees);
        EXPECT_FALSE(record.lengthAgrees);
    }
}

TEST(ZaqAsciiRecord, NoPositionWithoutThreeReadableNumbers)
{
    const struct {
        const char* what;
        std::string telegram;
        TelegramStatus status;
    } cases[] = {
        {"X absent", "07 Jan 26 14:03:27 B:3 Y:2.5 D:3.5\r\n", kStatusOk},
        {"ship without depth", "07 Jan 26 14:03:27 B:0 X:1.5 Y:2.5\r\n", kStatusOk},
        {"Y holds no number", "07 Jan 26 14:03:27 B:3 X:1.5 Y:abc D:3.5\r\n", kStatusOk},
        {"D holds only a tag", "07 Jan 26 14:03:27 B:3 X:1.5 Y:2.5 D:\r\n", kStatusOk},
        {"X infinite", "07 Jan 26 14:03:27 B:3 X:inf Y:2.5 D:3.5\r\n", kStatusOk},
        {"Y not a number", "07 Jan 26 14:03:27 B:3 X:1.5 Y:nan D:3.5\r\n", kStatusOk},
        {"D beyond the range of the number", "07 Jan 26 14:03:27 B:0 X:1.5 Y:2.5 D:-1e999\r\n", kStatusOk},
        {"D after the first CR", "07 Jan 26 14:03:27 B:3 X:1.5 Y:2.5\rD:3.5\r\n", kStatusOk},
        {"no B tag", "07 Jan 26 14:03:27 X:1.5 Y:2.5 D:3.5\r\n", kStatusOk},
        {"failed telegram", "07 Jan 26 14:03:27 B:3 X:1.5 Y:2.5 D:3.5\r", kStatusBadData},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const CTelegramRecord record = DecodedRecord<CZaqAsciiDecoder>(c.telegram);
        EXPECT_EQ(record.status, c.status);
        EXPECT_FALSE(record.position);
        EXPECT_FALSE(record.checksumAgrees);
        EXPECT_FALSE(record.lengthAgrees);
    }
}

// The simulated line: every telegram has its position, and every index moves.
TEST(ZaqAsciiRecord, GeneratedTelegramsCarryMovingPositions)
{
    auto generator = CTelegramGenerator::Create(kTypeZaqAscii);
    CZaqAsciiDecoder decoder;
    std::map<std::string, std::set<std::pair<double, double>>> fixes;
    for (int i = 0; i < 24; ++i) {
        const CDecodeResult result = DecodeTelegram(decoder, generator->Next());
        const CTelegramRecord record = decoder.TakeRecord();
        ASSERT_TRUE(record.position) << record.typeText;
        EXPECT_EQ(record.position->frame,
                  result.index.kind == 0 ? CPositionFrame::Grid : CPositionFrame::Unspecified);
        fixes[result.index.text].insert({record.position->x, record.position->y});
    }
    EXPECT_TRUE(fixes.count("Ship"));
    for (const auto& [index, seen] : fixes)
        EXPECT_GT(seen.size(), 1u) << index;
}

} // namespace
