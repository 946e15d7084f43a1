// What decode and monitor print for one telegram besides its report: the
// JSON line (every key with its type, whatever bytes the telegram held) and
// the brief line, from records made here and from real decoders.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <regex>
#include <string>
#include <vector>

#include "clock/Tickwarden.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "tools/BriefLinePrinter.h"
#include "tools/JsonLinePrinter.h"
#include "tools/ReportPrinter.h"
#include "tools/TelegramText.h"

namespace {

using Json = nlohmann::ordered_json;

// Every byte value once, the hostile ones among them: NUL, control
// characters, quotes, backslashes, 0x80 to 0xFF.
std::string AllBytes()
{
    std::string bytes;
    for (int value = 0; value < 256; ++value)
        bytes += static_cast<char>(value);
    return bytes;
}

// The characters of a UTF-8 text, as code points.
std::vector<unsigned> CodePoints(const std::string& utf8)
{
    std::vector<unsigned> points;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            points.push_back(lead);
            i += 1;
        } else {
            EXPECT_EQ(lead & 0xE0, 0xC0) << "not a two-byte character at " << i;
            points.push_back(((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu));
            i += 2;
        }
    }
    return points;
}

// The code points a text taken from the telegram must come back as: one per byte.
std::vector<unsigned> Latin1Points(const std::string& bytes)
{
    std::vector<unsigned> points;
    for (const char c : bytes)
        points.push_back(static_cast<unsigned char>(c));
    return points;
}

CTelegramRecord PositionRecord()
{
    CTelegramRecord record;
    record.typeText = "HPR 418 SSBL";
    record.number = 17;
    record.bytes = 4;
    record.status = kStatusOk;
    record.fields = {{"SOT", "02", "Start of telegram"}, {"X", "1234", "12.34 m starboard"}};
    record.position = CTelegramPosition{CPositionFrame::North, 12.5, -3.25, 101.0};
    record.checksumAgrees = true;
    record.lengthAgrees = false;
    return record;
}

CTelegramIndex IndexAt(double receiveTime, bool valid, const std::string& text = "")
{
    CTelegramIndex index;
    index.receiveTime = receiveTime;
    if (valid)
        index.SetIndex(1, text);
    return index;
}

// A telegram as the hand-off carries it.
CDecodedTelegram TelegramOf(const CTelegramIndex& index, const CTelegramRecord& record, const std::string& raw = "",
                            const std::string& report = "")
{
    return CDecodedTelegram{raw, report, index, record};
}

std::string JsonLine(const CTelegramRecord& record, const CTelegramIndex& index, const std::string& raw,
                     const char* format = "HPR 418F")
{
    const std::string line = CJsonLinePrinter(format).Text(TelegramOf(index, record, raw));
    EXPECT_FALSE(line.empty());
    EXPECT_EQ(line.find('\n'), line.size() - 1) << "not one line: " << line;
    return line;
}

TEST(JsonLinePrinter, EveryKeyInItsOrderWithItsType)
{
    const double now = CTickwarden::GetPCMilliSecs();
    const Json line = Json::parse(JsonLine(PositionRecord(), IndexAt(now, true, "7"), std::string("\x02\xAB\x00\x0D", 4)));
    std::vector<std::string> keys;
    for (const auto& [key, value] : line.items())
        keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"time", "format", "telegram", "number", "bytes", "status", "verdict",
                                              "index", "fields", "position", "checks", "raw"}));
    EXPECT_EQ(line["time"], CTickwarden::AdjustedPCMilliSecsToIsoText(now));
    EXPECT_EQ(line["format"], "HPR 418F");
    EXPECT_EQ(line["telegram"], "HPR 418 SSBL");
    EXPECT_EQ(line["number"], 17);
    EXPECT_EQ(line["bytes"], 4);
    EXPECT_EQ(line["status"], "OK");
    EXPECT_EQ(line["verdict"], "LENGTH MISMATCH") << "received OK, but its length disagrees";
    EXPECT_EQ(line["index"], Json::parse(R"({"kind":1,"text":"7"})"));
    EXPECT_EQ(line["fields"], Json::parse(R"([{"label":"SOT","raw":"02","text":"Start of telegram"},
                                              {"label":"X","raw":"1234","text":"12.34 m starboard"}])"));
    EXPECT_EQ(line["position"], Json::parse(R"({"frame":"north","x":12.5,"y":-3.25,"z":101.0,"valid":true})"));
    EXPECT_EQ(line["checks"], Json::parse(R"({"checksum":true,"length":false})"));
    EXPECT_EQ(line["raw"], "02AB000D");
}

TEST(JsonLinePrinter, WhatATelegramDoesNotCarryIsNull)
{
    // A failed read: no index, no position, no checks; a type code without a format.
    CTelegramRecord failed;
    failed.typeText = "CHECKSUM ERROR";
    failed.number = 3;
    failed.bytes = 0;
    failed.status = kStatusChecksumError;
    Json line = Json::parse(JsonLine(failed, IndexAt(CTickwarden::GetPCMilliSecs(), false), "", nullptr));
    EXPECT_TRUE(line["format"].is_null());
    EXPECT_EQ(line["telegram"], "CHECKSUM ERROR");
    EXPECT_EQ(line["status"], "CHECKSUM ERROR");
    EXPECT_EQ(line["verdict"], "CHECKSUM ERROR");
    EXPECT_TRUE(line["index"].is_null());
    EXPECT_EQ(line["fields"], Json::array());
    EXPECT_TRUE(line["position"].is_null());
    EXPECT_TRUE(line["checks"]["checksum"].is_null());
    EXPECT_TRUE(line["checks"]["length"].is_null());
    EXPECT_EQ(line["raw"], "");

    // A record nobody filled (a type without a decoder) still names the read,
    // and a receive time no clock gave has no time.
    line = Json::parse(JsonLine(CTelegramRecord{}, IndexAt(1e300, false), "ab"));
    EXPECT_EQ(line["telegram"], "TIMED OUT");
    EXPECT_EQ(line["bytes"], 2);
    EXPECT_TRUE(line["time"].is_null());
}

TEST(JsonLinePrinter, AnyBytesOfTheTelegramGiveAnAsciiLineThatParsesBackToThem)
{
    const std::string hostile = AllBytes() + "\"\\\"}{,\n";
    CTelegramRecord record = PositionRecord();
    record.typeText = "NMEA $" + hostile;
    record.fields = {{hostile, hostile, hostile}, {"Tp_code", "\"B\\01\"", "\xFF\xFE\x80"}};
    const std::string text = JsonLine(record, IndexAt(CTickwarden::GetPCMilliSecs(), true, hostile), hostile);
    for (const char c : text.substr(0, text.size() - 1)) {
        const auto byte = static_cast<unsigned char>(c);
        ASSERT_TRUE(byte >= 0x20 && byte < 0x7F) << "byte " << static_cast<int>(byte) << " in " << text;
    }
    const Json line = Json::parse(text);
    EXPECT_EQ(CodePoints(line["telegram"]), Latin1Points("NMEA $" + hostile));
    EXPECT_EQ(CodePoints(line["index"]["text"]), Latin1Points(hostile));
    for (const char* key : {"label", "raw", "text"})
        EXPECT_EQ(CodePoints(line["fields"][0][key]), Latin1Points(hostile)) << key;
    EXPECT_EQ(line["fields"][1]["raw"], "\"B\\01\"");
    EXPECT_EQ(CodePoints(line["fields"][1]["text"]), (std::vector<unsigned>{0xFF, 0xFE, 0x80}));
    const std::string raw = line["raw"];
    ASSERT_EQ(raw.size(), hostile.size() * 2);
    for (std::size_t i = 0; i < hostile.size(); ++i)
        EXPECT_EQ(std::stoul(raw.substr(i * 2, 2), nullptr, 16), static_cast<unsigned char>(hostile[i])) << i;
}

// The record of a real decoder comes out whole, for every format.
TEST(JsonLinePrinter, DecodedTelegramsOfEveryFormatComeOutWithTheirFieldLines)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        auto generator = format.makeGenerator();
        auto decoder = format.makeDecoder();
        const std::string telegram = generator->Next();
        const CSharedTelegram decoded = DecodeRead(decoder.get(), telegram, CTickwarden::GetPCMilliSecs());
        const CTelegramRecord& record = decoded->record;
        const Json line = Json::parse(CJsonLinePrinter(format.name).Text(*decoded));
        EXPECT_EQ(line["format"], format.name);
        EXPECT_EQ(line["status"], "OK");
        EXPECT_EQ(line["verdict"], "OK");
        EXPECT_EQ(line["bytes"], telegram.size());
        EXPECT_EQ(line["index"]["text"], decoded->index.text);
        ASSERT_EQ(line["fields"].size(), record.fields.size());
        ASSERT_FALSE(record.fields.empty());
        for (std::size_t i = 0; i < record.fields.size(); ++i) {
            EXPECT_EQ(line["fields"][i]["label"], Latin1ToUtf8(record.fields[i].label)) << i;
            EXPECT_EQ(line["fields"][i]["raw"], Latin1ToUtf8(record.fields[i].raw)) << i;
            EXPECT_EQ(line["fields"][i]["text"], Latin1ToUtf8(record.fields[i].text)) << i;
        }
        EXPECT_EQ(line["position"].is_null(), !record.position.has_value());
    }
}

TEST(BriefLinePrinter, TabSeparatedCellsWithThePositionWhenThereIsOne)
{
    const double now = CTickwarden::GetPCMilliSecs();
    const std::string time = CFormatDecoder::TimeText(now);
    const CBriefLinePrinter printer;
    // The status cell holds the verdict: received OK is not yet good.
    const struct {
        std::optional<bool> checksum, length;
        const char* word;
    } verdicts[] = {{true, true, "OK"}, {false, true, "CHECKSUM MISMATCH"}, {true, false, "LENGTH MISMATCH"}};
    for (const auto& verdict : verdicts) {
        CTelegramRecord record = PositionRecord();
        record.checksumAgrees = verdict.checksum;
        record.lengthAgrees = verdict.length;
        EXPECT_EQ(printer.Text(TelegramOf(IndexAt(now, true, "7"), record)),
                  time + "\t17\t" + verdict.word + "\tHPR 418 SSBL\t7\tnorth\t12.50\t-3.25\t101.00\n");
    }

    CTelegramRecord failed;
    failed.typeText = "BAD DATA";
    failed.number = 4;
    failed.status = kStatusBadData;
    EXPECT_EQ(printer.Text(TelegramOf(IndexAt(now, false), failed)), time + "\t4\tBAD DATA\tBAD DATA\t-\n");
}

TEST(BriefLinePrinter, BytesOfTheTelegramNeitherBreakTheLineNorSteerTheTerminal)
{
    CTelegramRecord record = PositionRecord();
    record.position.reset();
    record.typeText = "NMEA $\x1b[2J";
    const std::string line =
        CBriefLinePrinter().Text(TelegramOf(IndexAt(1000.0, true, "B\t1\r\n\x9b" "2J\xe9\x7f"), record));
    const std::string cells = line.substr(line.find('\t'));
    EXPECT_EQ(cells, "\t17\tLENGTH MISMATCH\tNMEA $?[2J\tB?1???2J\xC3\xA9?\n");
}

// The report in plain text: received text echoed into it (a ZAQ or NMEA
// line) reaches the terminal without its control characters (a CR is no
// line break in the report and is left out).
TEST(ReportPrinter, BytesOfTheTelegramNeitherBreakTheLinesNorSteerTheTerminal)
{
    CReportBuilder report;
    report.AppendText("Telegram type  : NMEA $\x1b[2J");
    report.NewLine();
    report.AppendText("Index          ");
    report.AppendAsciiText(std::string("B\r1\x9b" "2J\xe9\x7f\0", 9));
    report.NewLine();
    const std::string text =
        CReportPrinter().Text(TelegramOf(IndexAt(1000.0, true, "B1"), PositionRecord(), "", report.GetDocument()));
    EXPECT_EQ(text, "Telegram type  : NMEA $?[2J\nIndex          B1?2J\xC3\xA9??\n\n");
}

} // namespace
