#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "decoders/FormatTable.h"
#include "simulation/TelegramGenerator.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/tools/CliProcess.h"

namespace {

using ::testing::HasSubstr;
using ::testing::MatchesRegex;

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
    const CCliResult help = RunCli({"decode", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, HasSubstr("--type CODE"));
    EXPECT_THAT(help.out, HasSubstr("--csv PATH"));
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

} // namespace
