#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <ctime>
#include <fstream>

#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/tools/CliProcess.h"

namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using Json = nlohmann::json;
using namespace std::string_literals;

std::string HexOf(const std::string& bytes)
{
    std::string hex;
    char digits[3];
    for (const char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(c));
        hex += digits;
    }
    return hex;
}

std::string LocalDate(std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char date[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    return date;
}

// Every line of the output, parsed; a line that is no JSON fails the test.
std::vector<Json> JsonLines(const std::string& out)
{
    std::vector<Json> lines;
    for (const std::string& line : SplitLines(out)) {
        try {
            lines.push_back(Json::parse(line));
        } catch (const Json::exception& error) {
            ADD_FAILURE() << error.what() << "\nin: " << line;
        }
    }
    return lines;
}

class DecodeCommand : public ::testing::Test {
protected:
    std::string WriteTelegram(const std::string& name, const std::string& bytes)
    {
        const std::string path = dir.File(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // A valid telegram of the default format, as the simulator sends it.
    std::string DefaultTelegram()
    {
        auto generator = CTelegramGenerator::Create(kTypeHpr418F);
        return generator ? generator->Next() : std::string();
    }

    CTempDir dir;
};

TEST_F(DecodeCommand, TypeWithoutDecoderIsRefusedWithStatus2)
{
    const std::string file = WriteTelegram("t", "x");
    for (const char* code : {"5", "7", "-1"}) {
        const CCliResult result = RunCli({"decode", "--type", code, file});
        EXPECT_EQ(result.status, 2) << code;
        EXPECT_THAT(result.err, HasSubstr("no decoder"));
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(DecodeCommand, UsageErrorsAndHelp)
{
    EXPECT_EQ(RunCli({"decode"}).status, 2);
    EXPECT_EQ(RunCli({"decode", "--type", "six", "x"}).status, 2);
    EXPECT_EQ(RunCli({"decode", "--type", "6"}).status, 2);
    EXPECT_EQ(RunCli({"decode", "--type", "6", "--bogus", "x"}).status, 2);
    // An empty log path is refused, not taken as no log at all.
    EXPECT_EQ(RunCli({"decode", "--type", "6", "--csv", "", "x"}).status, 2);
    // JSON lines hold the index and are no rich text.
    for (const char* other : {"--rtf", "--index"}) {
        const CCliResult both = RunCli({"decode", "--type", "6", "--json", other, "x"});
        EXPECT_EQ(both.status, 2) << other;
        EXPECT_THAT(both.err, HasSubstr("--json excludes --rtf and --index"));
    }
    const CCliResult help = RunCli({"decode", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("--type CODE"));
    EXPECT_THAT(help.out, HasSubstr("--csv PATH"));
    EXPECT_THAT(help.out, HasSubstr("--json"));
}

TEST_F(DecodeCommand, UnreadableOrOversizedFileIsRefusedBeforeAnythingIsDecoded)
{
    const std::string good = WriteTelegram("good", "");
    const std::string big = WriteTelegram("big", std::string(257, 'x'));
    const std::string csv = dir.File("log.csv");

    CCliResult result = RunCli({"decode", "--type", "6", "--csv", csv, good, big});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr(big));
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(std::filesystem::exists(csv));

    result = RunCli({"decode", "--type", "6", good, dir.File("absent")});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr(dir.File("absent")));
    EXPECT_THAT(result.err, HasSubstr("No such file or directory"));
    EXPECT_EQ(result.out, "");

    // 256 bytes is the longest telegram a read delivers, and is accepted.
    EXPECT_EQ(RunCli({"decode", "--type", "6", WriteTelegram("max", std::string(256, 'x'))}).status, 0);

    // A directory opens but cannot be read; a device without end is not swallowed whole.
    std::vector<std::string> unreadable{dir.File("")};
    if (std::filesystem::exists("/dev/zero"))
        unreadable.push_back("/dev/zero");
    for (const std::string& name : unreadable) {
        result = RunCli({"decode", "--type", "6", good, name});
        EXPECT_EQ(result.status, 1) << name;
        EXPECT_THAT(result.err, HasSubstr(name));
        EXPECT_EQ(result.out, "") << name;
    }
}

TEST_F(DecodeCommand, EmptyFileIsATimedOutReadAndTelegramsAreNumbered)
{
    const std::string empty = WriteTelegram("empty", "");
    const CCliResult result = RunCli({"decode", "--type", "6", "--index", empty, "-"}, "");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out,
              "Telegram type   : TIMED OUT\nTelegram number : 1\nNumber of bytes : 0\n\n\n"
              "index\t0\t0\t\t\n"
              "Telegram type   : TIMED OUT\nTelegram number : 2\nNumber of bytes : 0\n\n\n"
              "index\t0\t0\t\t\n");
}

// Whatever an index field holds, the --index line keeps its five cells and
// the terminal shows it as text (Latin-1 as UTF-8, control characters as '?').
TEST_F(DecodeCommand, IndexLineHoldsReceivedTextsCleaned)
{
    const std::string field = std::string("B\0\x01\x1b[2J\t\"q\"\\\x7f\x80\xe9\xff", 16);
    const std::string sentence = "$PSIMSSB,043502.60," + field + ",A,,C,H,M,38.00,-20.00,120.00,0.40,N,,*44\r\n";
    const CCliResult result = RunCli({"decode", "--type", "4", "--index", WriteTelegram("sentence", sentence)});
    if (result.status == 2)
        GTEST_SKIP() << "no NMEA decoder in this build";
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> lines = SplitLines(result.out);
    ASSERT_FALSE(lines.empty());
    const std::string shown = "B???[2J?\"q\"\\??\u00e9\u00ff";
    EXPECT_EQ(lines.back(), "index\t1\t1\t" + shown + "\t" + shown);
    EXPECT_EQ(result.out.find('\x1b'), std::string::npos);
}

TEST_F(DecodeCommand, RtfOutputIsTheDocumentOfEachTelegramInOrder)
{
    const std::string telegram = DefaultTelegram();
    if (telegram.empty())
        GTEST_SKIP() << "no generator for the default format yet";
    const std::string first = WriteTelegram("first", telegram);
    const std::string second = WriteTelegram("second", "");
    const CCliResult result = RunCli({"decode", "--type", "6", "--rtf", first, second});
    ASSERT_EQ(result.status, 0) << result.err;

    auto decoder = CFormatTable::Create(kTypeHpr418F);
    const CDecodeResult one = DecodeTelegram(*decoder, telegram);
    const CDecodeResult two = DecodeTelegram(*decoder, "");
    EXPECT_EQ(result.out, one.document + "\n" + two.document + "\n");
}

TEST_F(DecodeCommand, CsvLogHoldsHeaderRowsAndOneRowPerTelegramWithRawBeside)
{
    const std::string telegram = DefaultTelegram();
    if (telegram.empty())
        GTEST_SKIP() << "no generator for the default format yet";
    const std::string csv = dir.File("run.csv");
    const CCliResult result =
        RunCli({"decode", "--type", "6", "--csv", csv, WriteTelegram("a", telegram), WriteTelegram("b", "")});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<std::string> rows = SplitLines(ReadWholeFile(csv));
    ASSERT_EQ(rows.size(), 6u);  // four header rows, two telegrams
    EXPECT_THAT(rows[4], MatchesRegex("[0-9:.]+, 0\\.00," + std::to_string(telegram.size()) + ",OK,.*"));
    EXPECT_THAT(rows[5], MatchesRegex("[0-9:.]+, *[0-9]+\\.[0-9]{2},0,TIMED OUT"));
    EXPECT_EQ(ReadWholeFile(dir.File("run.raw")), telegram);
}

TEST_F(DecodeCommand, RawLogLiesBesideTheCsvLogInAFolderNamedLikeALog)
{
    // Another survey's raw log where a folder name with ".raw" for ".csv" leads.
    std::filesystem::create_directories(dir.path / "survey.csv.d");
    std::filesystem::create_directories(dir.path / "survey.raw.d");
    const std::string other = dir.File("survey.raw.d/log.raw");
    std::ofstream(other, std::ios::binary) << "another survey";
    const std::string csv = dir.File("survey.csv.d/log.csv");
    const CCliResult result = RunCli({"decode", "--type", "6", "--csv", csv, WriteTelegram("t", "bytes")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ReadWholeFile(dir.File("survey.csv.d/log.raw")), "bytes");
    EXPECT_EQ(ReadWholeFile(other), "another survey");
}

TEST_F(DecodeCommand, LogThatCannotBeCreatedIsReportedWithTheReason)
{
    const std::string file = WriteTelegram("t", "");
    const CCliResult result = RunCli({"decode", "--type", "6", "--csv", dir.File("no/such/dir/x.csv"), file});
    EXPECT_EQ(result.status, 1);
    EXPECT_THAT(result.err, HasSubstr("No such file or directory"));
    EXPECT_EQ(result.out, "");
}

TEST_F(DecodeCommand, ReportsThatCannotBeWrittenAreAFailure)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const std::string file = WriteTelegram("t", "");
    const std::string command = std::string(VANTREL_CLI_PATH) + " decode --type 6 '" + file + "' >/dev/full 2>'" +
                                dir.File("err") + "'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_THAT(ReadWholeFile(dir.File("err")), HasSubstr("No space left on device"));
}

TEST_F(DecodeCommand, HostileBytesInTextTelegramsKeepTheDocumentWellFormed)
{
    // The text formats echo the received sentence into the report: braces,
    // backslashes, NUL and high bytes must not break the document.
    const std::string hostile = std::string("$PSIMSSB,{\\},B:1 \0\xff X:}{\\par,\r\n", 31);
    const std::string file = WriteTelegram("h", hostile);
    for (const char* code : {"2", "4"}) {
        const CCliResult result = RunCli({"decode", "--type", code, "--rtf", file});
        if (result.status == 2)
            continue;  // that format has no decoder in this build
        ASSERT_EQ(result.status, 0) << code;
        int depth = 0;
        for (std::size_t i = 0; i < result.out.size(); ++i) {
            if (result.out[i] == '\\') {
                ++i;
            } else if (result.out[i] == '{') {
                ++depth;
            } else if (result.out[i] == '}') {
                ASSERT_GE(--depth, 0) << code;
            }
        }
        EXPECT_EQ(depth, 0) << code;
        EXPECT_EQ(result.out.find('\0'), std::string::npos) << code;
    }
}

TEST_F(DecodeCommand, JsonLineOfEachTelegramInOrderWhenItWasDecoded)
{
    const std::string telegram = DefaultTelegram();
    if (telegram.empty())
        GTEST_SKIP() << "no generator for the default format yet";
    const std::time_t before = std::time(nullptr);
    const CCliResult result =
        RunCli({"decode", "--type", "6", "--json", WriteTelegram("a", telegram), WriteTelegram("b", "")});
    const std::time_t after = std::time(nullptr);
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<Json> lines = JsonLines(result.out);
    ASSERT_EQ(lines.size(), 2u) << result.out;

    for (const Json& line : lines) {
        const std::string time = line.at("time");
        EXPECT_THAT(time, MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}[+-][0-9]{2}:[0-9]{2}"));
        EXPECT_TRUE(time.substr(0, 10) == LocalDate(before) || time.substr(0, 10) == LocalDate(after)) << time;
        EXPECT_EQ(line.at("format"), "HPR 418F");
        EXPECT_TRUE(line.at("checks").at("checksum").is_boolean() || line.at("checks").at("checksum").is_null());
        EXPECT_TRUE(line.at("checks").at("length").is_boolean() || line.at("checks").at("length").is_null());
    }
    const Json& decoded = lines[0];
    EXPECT_EQ(decoded.at("number"), 1);
    EXPECT_EQ(decoded.at("status"), "OK");
    EXPECT_EQ(decoded.at("bytes"), telegram.size());
    EXPECT_EQ(decoded.at("raw"), HexOf(telegram));
    auto decoder = CFormatTable::Create(kTypeHpr418F);
    const CDecodeResult reference = DecodeTelegram(*decoder, telegram);
    const CTelegramRecord record = decoder->TakeRecord();
    EXPECT_EQ(decoded.at("telegram"), record.typeText);
    EXPECT_EQ(decoded.at("index"), (Json{{"kind", reference.index.kind}, {"text", reference.index.text}}));
    ASSERT_EQ(decoded.at("fields").size(), record.fields.size());
    for (std::size_t i = 0; i < record.fields.size(); ++i)
        EXPECT_EQ(decoded.at("fields")[i].at("label"), record.fields[i].label) << i;
    EXPECT_TRUE(decoded.at("position").is_null() || decoded.at("position").at("frame").is_string());

    const Json& empty = lines[1];
    EXPECT_EQ(empty.at("number"), 2);
    EXPECT_EQ(empty.at("telegram"), "TIMED OUT");
    EXPECT_EQ(empty.at("bytes"), 0);
    EXPECT_TRUE(empty.at("index").is_null());
    EXPECT_EQ(empty.at("fields"), Json::array());
    EXPECT_TRUE(empty.at("position").is_null());
    EXPECT_EQ(empty.at("raw"), "");
}

TEST_F(DecodeCommand, JsonLinesParseWhateverBytesTheTextTelegramsHold)
{
    // NUL, control characters, quotes, backslashes and bytes from 0x80 up,
    // in the fields the text formats echo and in the index.
    const std::string field = std::string("B\0\x01\x1b[2J\t\"q\"\\\x7f\x80\xe9\xff", 16);
    const std::string sentence = "$PSIMSSB,043502.60," + field + ",A,,C,H,M,38.00,-20.00,120.00,0.40,N,,*44\r\n";
    const std::string braces = std::string("$PSIMSSB,{\\},B:1 \0\xff X:}{\\par,\r\n", 31);
    const std::vector<std::string> files{WriteTelegram("sentence", sentence), WriteTelegram("braces", braces)};
    for (const char* code : {"2", "4"}) {
        SCOPED_TRACE(code);
        const CCliResult result = RunCli({"decode", "--type", code, "--json", files[0], files[1]});
        if (result.status == 2)
            continue;  // that format has no decoder in this build
        ASSERT_EQ(result.status, 0) << result.err;
        for (const char c : result.out)
            ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << "byte " << static_cast<int>(c);
        const std::vector<Json> lines = JsonLines(result.out);
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].at("raw"), HexOf(sentence));
        EXPECT_EQ(lines[1].at("raw"), HexOf(braces));
        EXPECT_EQ(lines[0].at("bytes"), sentence.size());
    }
    // The sentence's index field comes back character for byte.
    const std::vector<Json> nmea = JsonLines(RunCli({"decode", "--type", "4", "--json", files[0]}).out);
    ASSERT_EQ(nmea.size(), 1u);
    EXPECT_EQ(nmea[0].at("index").at("text"), "B\0\x01\x1b[2J\t\"q\"\\\x7f\u0080\u00e9\u00ff"s);
}

// The position and the checks of the record reach the JSON line: an NMEA
// beacon position oriented ship's head up (x starboard, y forward), one
// north up with north first (its X is north), and a bad fix, marked not
// valid.
TEST_F(DecodeCommand, JsonLineCarriesThePositionAndTheChecks)
{
    auto sentence = [](const std::string& body) {
        unsigned checksum = 0;
        for (const char c : body)
            checksum ^= static_cast<unsigned char>(c);
        char end[8];
        std::snprintf(end, sizeof end, "*%02X\r\n", checksum);
        return "$" + body + end;
    };
    const std::string headUp = sentence("PSIMSSB,043502.60,B01,A,,C,H,M,38.00,-20.00,120.00,0.40,N,,");
    const std::string northUp = sentence("PSIMSSB,043502.60,B01,A,,C,N,M,38.00,-20.00,120.00,0.40,N,,");
    const std::string badFix = sentence("PSIMSSB,043502.60,B01,V,,C,H,M,38.00,-20.00,120.00,0.40,N,,");
    std::string spoiled = headUp;
    spoiled[spoiled.size() - 4] ^= 1;  // a checksum that does not agree
    const CCliResult result = RunCli({"decode", "--type", "4", "--json", WriteTelegram("h", headUp),
                                      WriteTelegram("n", northUp), WriteTelegram("s", spoiled),
                                      WriteTelegram("v", badFix)});
    if (result.status == 2)
        GTEST_SKIP() << "no NMEA decoder in this build";
    ASSERT_EQ(result.status, 0) << result.err;
    const std::vector<Json> lines = JsonLines(result.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].at("position"),
              Json::parse(R"({"frame":"vessel","x":38.0,"y":-20.0,"z":120.0,"valid":true})"));
    EXPECT_EQ(lines[0].at("checks"), Json::parse(R"({"checksum":true,"length":true})"));
    EXPECT_EQ(lines[1].at("position"),
              Json::parse(R"({"frame":"north","x":-20.0,"y":38.0,"z":120.0,"valid":true})"));
    EXPECT_EQ(lines[2].at("checks").at("checksum"), false) << lines[2].dump();
    EXPECT_EQ(lines[3].at("position").at("valid"), false) << lines[3].dump();
}

// A ZAQ ship's UTM position comes out with the decimals that arrived, not
// those of a float (6543210.5) nor binary noise.
TEST_F(DecodeCommand, JsonLineCarriesTheDecimalsThatArrived)
{
    const CCliResult result =
        RunCli({"decode", "--type", "2", "--json",
                WriteTelegram("z", "08 Dec 26 23:59:59 B:0 X:456789.7 Y:6543210.3 D:45.4 E:0\r\n")});
    if (result.status == 2)
        GTEST_SKIP() << "no ZAQ ASCII decoder in this build";
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find(R"("position":{"frame":"grid","x":456789.7,"y":6543210.3,"z":45.4,"valid":true})"),
              std::string::npos)
        << result.out;
}

} // namespace
