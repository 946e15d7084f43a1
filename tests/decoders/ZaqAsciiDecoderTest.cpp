#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "decoders/FormatTable.h"
#include "decoders/ZaqAsciiDecoder.h"
#include "decoders/ZaqAsciiGenerator.h"
#include "tests/decoders/LoggedDecodeSupport.h"

namespace {

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
