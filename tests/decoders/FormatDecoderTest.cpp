#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <thread>

#include "clock/Tickwarden.h"
#include "decoders/FormatTable.h"
#include "tests/decoders/CountingDisk.h"
#include "tests/decoders/DecoderTestSupport.h"
#include "tests/support/FileSizeLimit.h"

namespace {

using ::testing::ElementsAre;
using ::testing::MatchesRegex;

// A format of our own for exercising the framework: a telegram starting with
// 'G' is good; its second byte is the one field.
template <int Class>
class CToyDecoder : public CFormatDecoder {
public:
    explicit CToyDecoder(RowShape rowShape) : CFormatDecoder(rowShape), around(rowShape == RowShape::AroundDecode) {}

    TelegramStatus Validate(const CByteView& telegram) override
    {
        if (telegram.Empty())
            return kStatusTimedOut;
        return telegram.At(0) == 'G' ? kStatusOk : kStatusBadData;
    }
    void WriteCsvHeader() override { CsvText("Time,Tdiff,Count,Status,Field\nBase ->,secs,10,Text,16\n"); }

protected:
    void DecodeFields(const CByteView& telegram, CTelegramIndex& index) override
    {
        ReportHeader("TOY", static_cast<int>(telegram.Size()));
        WriteHexHeading();
        HexLine("Field          ", telegram, 0, 2, "%s", telegram.At(1) & 1 ? "odd" : "even");
        index.SetIndex(1, "7");
        if (around)
            Csv(",%x,", telegram.At(1));
    }
    void WriteCsvColumns(const CByteView& telegram, TelegramStatus) override { Csv("%x\n", telegram.At(1)); }

private:
    bool around;
};

using CRowAfterDecoder = CToyDecoder<0>;
using CRowAroundDecoder = CToyDecoder<1>;

const std::string kTimePattern = "[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}";

TEST(TelegramStatus, WordsAreExact)
{
    EXPECT_STREQ(StatusText(0), "OK");
    EXPECT_STREQ(StatusText(1), "BAD DATA");
    EXPECT_STREQ(StatusText(2), "EARLT EOT");
    EXPECT_STREQ(StatusText(3), "TIMED OUT");
    EXPECT_STREQ(StatusText(4), "CHECKSUM ERROR");
    EXPECT_STREQ(StatusText(5), "???");
    EXPECT_STREQ(StatusText(-1), "???");
}

TEST(FormatDecoder, EmptyReadCountsAndReportsTimedOutInFourLines)
{
    CTempDir dir;
    CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
    ASSERT_TRUE(decoder.OpenLogs(dir.File("log.csv")).Ok());
    const CDecodeResult result = DecodeTelegram(decoder, "");
    EXPECT_EQ(decoder.GetCount(), 1);
    EXPECT_EQ(result.text, "Telegram type   : TIMED OUT\nTelegram number : 1\nNumber of bytes : 0\n\n");
    EXPECT_FALSE(result.index.valid);
    EXPECT_EQ(ReadWholeFile(dir.File("log.raw")), "");
}

TEST(FormatDecoder, FieldLineAndHeadingLayout)
{
    CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
    const CDecodeResult result = DecodeTelegram(decoder, "G\x0b");
    const std::string heading = "\\ul \\b Tgram field    Hex        Interpretation" + std::string(40, ' ') +
                                "\\ul0 \\b0 \\line ";
    EXPECT_NE(result.document.find("Telegram type   : TOY\\line Telegram number : 1\\line "
                                   "Number of bytes : 2\\line \\line " + heading +
                                   "Field          \\cf1 470B       \\cf0 odd\\line }"),
              std::string::npos)
        << result.document;
    EXPECT_TRUE(result.index.valid);
    EXPECT_EQ(result.index.kind, 1);
    EXPECT_EQ(result.index.text, "7");
}

// A format whose telegrams hold the field lines a test writes.
class CFieldLineDecoder : public CFormatDecoder {
public:
    using CWriter = std::function<void(CFieldLineDecoder&)>;
    explicit CFieldLineDecoder(CWriter writer) : CFormatDecoder(RowShape::AroundDecode), write(std::move(writer)) {}

    TelegramStatus Validate(const CByteView&) override { return kStatusOk; }
    void WriteCsvHeader() override {}
    using CFormatDecoder::EmptyFieldLine;
    using CFormatDecoder::FieldLine;
    using CFormatDecoder::FieldLines;
    using CFormatDecoder::FieldLineWithCalculated;

protected:
    void DecodeFields(const CByteView&, CTelegramIndex&) override { write(*this); }

private:
    CWriter write;
};

// Each field line is one call: the report line it renders and the field the
// record gets, as the user reads them.
TEST(FormatDecoder, FieldLinesGoToReportAndRecordAtOnce)
{
    using CFieldTexts = std::vector<std::vector<std::string>>;
    const std::string hostile("B\0{1}\\\xe9\x1b", 8);
    const std::string escaped = "B\\'00\\{1\\}\\\\\\'e9\\'1b";
    const struct {
        const char* what;
        CFieldLineDecoder::CWriter write;
        std::string lines;
        CFieldTexts fields;
    } cases[] = {
        {"blanks around the label and the raw column, and after the interpretation, are left out",
         [](auto& d) { d.FieldLine("Q_factor       ", "0A         ", "  10 metres  "); },
         "Q_factor       \\cf1 0A         \\cf0   10 metres  \\line ", {{"Q_factor", "0A", "  10 metres"}}},
        {"received bytes are escaped in the report and kept in the record",
         [&](auto& d) { d.FieldLine("Tp_code        ", hostile + "  ", "ROV " + hostile); },
         "Tp_code        \\cf1 " + escaped + "  \\cf0 ROV " + escaped + "\\line ",
         {{"Tp_code", hostile, "ROV " + hostile}}},
        {"a continuation stands under the interpretation and joins it with a blank",
         [](auto& d) { d.FieldLines("Header", "   19   ", "Running, ", "units are feet  "); },
         "Header\\cf1    19   \\cf0 Running, \\line " + std::string(26, ' ') + "units are feet  \\line ",
         {{"Header", "19", "Running, units are feet"}}},
        {"a calculated value in colour 1 begins the interpretation",
         [](auto& d) { d.FieldLineWithCalculated("sumcheck       ", "01E9      ", " E909", " (calculated) ERROR"); },
         "sumcheck       \\cf1 01E9      \\cf0 \\cf1  E909\\cf0  (calculated) ERROR\\line ",
         {{"sumcheck", "01E9", " E909 (calculated) ERROR"}}},
        {"a field left empty has no raw column and is no field of the record",
         [](auto& d) {
             d.EmptyFieldLine("Error_code     ", "   No errors");
             d.FieldLine("Depth          ", "3.0   ", "");
         },
         "Error_code        No errors\\line Depth          \\cf1 3.0   \\cf0 \\line ", {{"Depth", "3.0", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CFieldLineDecoder decoder(c.write);
        const CDecodeResult result = DecodeTelegram(decoder, "x");
        EXPECT_EQ(result.document, CReportBuilder::kPrologue + std::string("\\fs20 ") + c.lines + "}");
        CFieldTexts fields;
        for (const CTelegramField& field : decoder.TakeRecord().fields)
            fields.push_back({std::string(field.label), std::string(field.raw), std::string(field.text)});
        EXPECT_EQ(fields, c.fields);
    }
}

TEST(FormatDecoder, RowAfterDecodeWritesWholeRowWithCountModulo256)
{
    CTempDir dir;
    CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
    decoder.OpenLogs(dir.File("a.csv"));
    for (int i = 0; i < 254; ++i)
        decoder.CountTelegram();
    DecodeTelegram(decoder, "G\x0b");  // telegram 255
    DecodeTelegram(decoder, "x\x0c");  // telegram 256, bad data: the row is written all the same
    const CDecodeResult last = DecodeTelegram(decoder, "G");
    EXPECT_NE(last.text.find("Telegram number : 257"), std::string::npos);
    decoder.CloseLogs();
    const std::vector<std::string> lines = SplitLines(ReadWholeFile(dir.File("a.csv")));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Time,Tdiff,Count,Status,Field");
    EXPECT_THAT(lines[2], MatchesRegex(kTimePattern + ", *[0-9]+\\.[0-9]{2},255,OK,b"));
    EXPECT_THAT(lines[3], MatchesRegex(kTimePattern + ", *[0-9]+\\.[0-9]{2},0,BAD DATA,c"));
    // Bytes beyond a short telegram read as zero.
    EXPECT_THAT(lines[4], MatchesRegex(kTimePattern + ", *[0-9]+\\.[0-9]{2},1,OK,0"));
}

// A format whose row holds the whole telegram as one cell of received text.
class CTextCellDecoder : public CFormatDecoder {
public:
    CTextCellDecoder() : CFormatDecoder(RowShape::AfterDecode) {}
    TelegramStatus Validate(const CByteView&) override { return kStatusOk; }
    void WriteCsvHeader() override {}

protected:
    void DecodeFields(const CByteView&, CTelegramIndex&) override {}
    void WriteCsvColumns(const CByteView& telegram, TelegramStatus) override
    {
        CsvCell(telegram.Text());
        CsvText("\n");
    }
};

// Whatever a telegram's text holds, its cell stays one cell of one row, a
// spreadsheet takes it as text and a terminal showing the log (tail -f)
// takes no control from it; anything else stands as received.
TEST(FormatDecoder, CellsOfReceivedTextStayText)
{
    const struct {
        std::string received;
        std::string cell;
    } cases[] = {
        {"B01", "B01"},
        {"\xe9t\xe9", "\xe9t\xe9"},
        {"a,\"b\"", "\"a,\"\"b\"\"\""},
        {"", ""},
        // Numbers stay numbers.
        {"-61.300", "-61.300"},
        {"+5", "+5"},
        {"-.5", "-.5"},
        {"-1.5E+03", "-1.5E+03"},
        // Anything else that begins like a formula is marked as text.
        {"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
        {"+cmd|' /C calc'!A0", "\"'+cmd|' /C calc'!A0\""},
        {"@SUM(A1)", "\"'@SUM(A1)\""},
        {"-", "\"'-\""},
        {"-1-2", "\"'-1-2\""},
        {"-1e", "\"'-1e\""},
        {"\t=1", "\"'?=1\""},
        {"\r=1", "\"'?=1\""},
        {"1+2", "1+2"},
        // Control characters (C0, DEL, C1) are shown as '?'.
        {"B\x1b]0;owned\x07\x1b[2J", "B?]0;owned??[2J"},
        {std::string("A\0B\x7f\x9b\xa0", 6), "A?B??\xa0"},
    };
    CTempDir dir;
    CTextCellDecoder decoder;
    ASSERT_TRUE(decoder.OpenLogs(dir.File("cells.csv")).Ok());
    for (const auto& c : cases)
        DecodeTelegram(decoder, c.received);
    decoder.CloseLogs();
    const std::vector<std::string> rows = SplitLines(ReadWholeFile(dir.File("cells.csv")));
    ASSERT_EQ(rows.size(), std::size(cases));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string& row = rows[i];
        const std::size_t cell = row.find(",OK,") + 4;
        EXPECT_EQ(row.substr(std::min(cell, row.size())), cases[i].cell) << i << ": " << row;
    }
}

TEST(FormatDecoder, RowAroundDecodeCountsBytesAndKeepsPrefixOfFailedTelegram)
{
    CTempDir dir;
    CRowAroundDecoder decoder(CFormatDecoder::RowShape::AroundDecode);
    decoder.OpenLogs(dir.File("b.csv"));
    DecodeTelegram(decoder, Bytes({'G', 0x1f, 0x00, 0x00}), 5000.0);
    DecodeTelegram(decoder, "bad", 5500.0);
    const std::vector<std::string> lines = SplitLines(ReadWholeFile(dir.File("b.csv")));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_THAT(lines[2], MatchesRegex(kTimePattern + ", *[0-9]+\\.[0-9]{2},4,OK,1f,"));
    EXPECT_THAT(lines[3], MatchesRegex(kTimePattern + ", 0\\.50,3,BAD DATA"));
}

TEST(FormatDecoder, TdiffIsClassWideAndSurvivesReopeningTheLogs)
{
    CTempDir dir;
    using CFirstClass = CToyDecoder<10>;
    using COtherClass = CToyDecoder<11>;
    {
        CFirstClass decoder(CFormatDecoder::RowShape::AfterDecode);
        decoder.OpenLogs(dir.File("one.csv"));
        DecodeTelegram(decoder, "G1", 10000.0);
        DecodeTelegram(decoder, "G2", 11500.0);
        // Telegrams decoded while no log is open leave the previous time alone.
        decoder.CloseLogs();
        DecodeTelegram(decoder, "G3", 60000.0);
    }
    CFirstClass next(CFormatDecoder::RowShape::AfterDecode);
    next.OpenLogs(dir.File("two.csv"));
    DecodeTelegram(next, "G4", 14000.0);
    COtherClass other(CFormatDecoder::RowShape::AfterDecode);
    other.OpenLogs(dir.File("three.csv"));
    DecodeTelegram(other, "G5", 20000.0);

    const auto one = SplitLines(ReadWholeFile(dir.File("one.csv")));
    const auto two = SplitLines(ReadWholeFile(dir.File("two.csv")));
    const auto three = SplitLines(ReadWholeFile(dir.File("three.csv")));
    ASSERT_EQ(one.size(), 4u);
    ASSERT_EQ(two.size(), 3u);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_THAT(one[2], MatchesRegex(kTimePattern + ", 0\\.00,.*"));
    EXPECT_THAT(one[3], MatchesRegex(kTimePattern + ", 1\\.50,.*"));
    EXPECT_THAT(two[2], MatchesRegex(kTimePattern + ", 2\\.50,.*"));
    EXPECT_THAT(three[2], MatchesRegex(kTimePattern + ", 0\\.00,.*"));
}

TEST(FormatDecoder, RawPathRule)
{
    EXPECT_EQ(CFormatDecoder::RawPathFor("/tmp/log.csv"), "/tmp/log.raw");
    EXPECT_EQ(CFormatDecoder::RawPathFor("log.csv"), "log.raw");
    EXPECT_EQ(CFormatDecoder::RawPathFor("a.csv.csv"), "a.raw.raw");
    EXPECT_EQ(CFormatDecoder::RawPathFor("/tmp/LOG.CSV"), "/tmp/LOG.CSV.raw");
    EXPECT_EQ(CFormatDecoder::RawPathFor("/tmp/log.txt"), "/tmp/log.txt.raw");
    EXPECT_EQ(CFormatDecoder::RawPathFor(""), ".raw");
    // Folders keep their names: the raw log lies beside the CSV log, never
    // in another folder whose name differs by ".raw".
    EXPECT_EQ(CFormatDecoder::RawPathFor("/tmp/a.csv/b.csv"), "/tmp/a.csv/b.raw");
    EXPECT_EQ(CFormatDecoder::RawPathFor("survey.csv.d/log.csv"), "survey.csv.d/log.raw");
    EXPECT_EQ(CFormatDecoder::RawPathFor("survey.csv.d/log"), "survey.csv.d/log.raw");
    EXPECT_EQ(CFormatDecoder::RawPathFor("x.csv/"), "x.csv/.raw");
}

TEST(FormatDecoder, LogsAreOnDiskAfterEveryTelegram)
{
    CTempDir dir;
    CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
    ASSERT_TRUE(decoder.OpenLogs(dir.File("live.csv")).Ok());
    EXPECT_EQ(SplitLines(ReadWholeFile(dir.File("live.csv"))).size(), 2u);  // header rows at once
    DecodeTelegram(decoder, std::string("G\0\xff", 3));
    // Read while the decoder still holds both files open, as after a power cut.
    EXPECT_EQ(SplitLines(ReadWholeFile(dir.File("live.csv"))).size(), 3u);
    EXPECT_EQ(ReadWholeFile(dir.File("live.raw")), std::string("G\0\xff", 3));
}

TEST(FormatDecoder, RestartTruncatesAndContinueAppendsWithHeaderBeforeFirstRow)
{
    CTempDir dir;
    const std::string csv = dir.File("keep.csv");
    {
        CRowAfterDecoder first(CFormatDecoder::RowShape::AfterDecode);
        first.OpenLogs(csv);
        DecodeTelegram(first, "G1");
    }
    {
        CRowAfterDecoder second(CFormatDecoder::RowShape::AfterDecode);
        second.OpenLogs(csv, CFormatDecoder::LogMode::Continue);
        EXPECT_EQ(SplitLines(ReadWholeFile(csv)).size(), 3u);  // no header until a row comes
        DecodeTelegram(second, "G2");
    }
    const auto lines = SplitLines(ReadWholeFile(csv));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], lines[0]);
    EXPECT_EQ(lines[4], lines[1]);
    EXPECT_EQ(ReadWholeFile(dir.File("keep.raw")), "G1G2");

    CRowAfterDecoder restart(CFormatDecoder::RowShape::AfterDecode);
    restart.OpenLogs(csv);
    EXPECT_EQ(SplitLines(ReadWholeFile(csv)).size(), 2u);
    EXPECT_EQ(ReadWholeFile(dir.File("keep.raw")), "");
}

// The disk filled, or the program ended, in the middle of a row: what is
// appended later begins on a line of its own, and the cut row stays.
TEST(FormatDecoder, ContinuingALogWhoseLastRowWasCutBeginsOnANewLine)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"Time,Field\n10:00:00.000,G1\n", "Time,Field\n10:00:00.000,G1\n"},
        {"Time,Field\n10:00:00.000,G", "Time,Field\n10:00:00.000,G\n"},
        {"\r", "\r\n"},
    };
    CTempDir dir;
    for (const auto& [before, kept] : cases) {
        SCOPED_TRACE(before);
        const std::string csv = dir.File("cut.csv");
        std::ofstream(csv, std::ios::binary | std::ios::trunc) << before;
        CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
        ASSERT_TRUE(decoder.OpenLogs(csv, CFormatDecoder::LogMode::Continue).Ok());
        DecodeTelegram(decoder, "G2");
        decoder.CloseLogs();
        const std::string after = ReadWholeFile(csv);
        EXPECT_EQ(after.substr(0, kept.size()), kept);
        EXPECT_EQ(after.substr(kept.size(), 5), "Time,");  // the header rows, then the new row
        EXPECT_EQ(SplitLines(after.substr(kept.size())).size(), 3u);
    }
}

TEST(FormatDecoder, LogsThatCannotBeOpenedSayWhy)
{
    CTempDir dir;
    CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
    const CLogOpenResult result = decoder.OpenLogs(dir.File("missing/dir/log.csv"));
    EXPECT_FALSE(result.Ok());
    EXPECT_FALSE(result.csv.opened);
    EXPECT_FALSE(result.raw.opened);
    EXPECT_EQ(result.csv.error, "No such file or directory");
    EXPECT_EQ(result.raw.path, dir.File("missing/dir/log.raw"));
    EXPECT_FALSE(decoder.IsLogging());
    EXPECT_NO_THROW(DecodeTelegram(decoder, "G1"));
}

TEST(FormatDecoder, LogsThatCannotBothBeOpenedLeaveEveryFileAsItWas)
{
    CTempDir dir;
    const std::string csv = dir.File("earlier.csv");
    std::ofstream(csv) << "an earlier survey\n";
    // Where the raw log should go, a folder stands: it cannot be opened for writing.
    std::filesystem::create_directory(dir.File("earlier.raw"));
    std::ofstream(dir.File("earlier.raw/kept")) << "kept";
    for (const CFormatDecoder::LogMode mode : {CFormatDecoder::LogMode::Restart, CFormatDecoder::LogMode::Continue}) {
        CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
        const CLogOpenResult result = decoder.OpenLogs(csv, mode);
        EXPECT_FALSE(result.Ok());
        EXPECT_TRUE(result.csv.opened);
        EXPECT_FALSE(result.raw.opened);
        EXPECT_EQ(result.raw.error, "not a regular file but a folder");
        EXPECT_FALSE(decoder.IsLogging());
        DecodeTelegram(decoder, "G1");
        EXPECT_EQ(ReadWholeFile(csv), "an earlier survey\n");
        EXPECT_EQ(ReadWholeFile(dir.File("earlier.raw/kept")), "kept");
    }

    // A CSV log that this attempt created goes again.
    const std::string fresh = dir.File("fresh.csv");
    std::filesystem::create_directory(dir.File("fresh.raw"));
    CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
    EXPECT_FALSE(decoder.OpenLogs(fresh).Ok());
    EXPECT_FALSE(std::filesystem::exists(fresh));
}

// A log is a regular file: a path that is there and is none is refused
// with the reason before it is opened (a FIFO nobody reads would hold the
// opening up), and the other log stays as it was. A link counts as what it
// leads to.
TEST(FormatDecoder, LogsAreRegularFiles)
{
    CTempDir dir;
    std::ofstream(dir.File("survey.csv")) << "old rows\n";
    std::filesystem::create_symlink(dir.File("survey.csv"), dir.path / "link.csv");
    ASSERT_EQ(::mkfifo(dir.File("fifo.raw").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/null", dir.path / "null.raw");
    std::filesystem::create_symlink("/dev/null", dir.path / "null.csv");
    const struct {
        const char* csv;
        const char* csvError;
        const char* rawError;
    } cases[] = {
        {"fifo.csv", "", "not a regular file but a FIFO"},
        {"null.csv", "not a regular file but a character device", ""},  // the raw log not tried
        {"null", "", "not a regular file but a character device"},      // null.raw
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.csv);
        std::filesystem::remove(dir.File("fifo.csv"));
        CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
        const CLogOpenResult result = decoder.OpenLogs(dir.File(c.csv));
        EXPECT_FALSE(result.Ok());
        EXPECT_EQ(result.csv.error, c.csvError);
        EXPECT_EQ(result.csv.notRegularFile, *c.csvError != '\0');
        EXPECT_EQ(result.raw.error, c.rawError);
        EXPECT_FALSE(decoder.IsLogging());
    }
    // What the attempts created went again.
    EXPECT_FALSE(std::filesystem::exists(dir.File("fifo.csv")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("null")));

    // A link to a regular file is that file.
    CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
    ASSERT_TRUE(decoder.OpenLogs(dir.File("link.csv")).Ok());
    DecodeTelegram(decoder, "G1");
    decoder.CloseLogs();
    EXPECT_EQ(SplitLines(ReadWholeFile(dir.File("survey.csv"))).size(), 3u);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path / "link.csv"));
}

TEST(FormatDecoder, WriteErrorIsRemembered)
{
    CTempDir dir;
    CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
    ASSERT_TRUE(decoder.OpenLogs(dir.File("full.csv")).Ok());
    {
        const CFileSizeLimit full(1);  // the disk fills up
        ASSERT_TRUE(full.Active());
        DecodeTelegram(decoder, "G1");
        EXPECT_TRUE(decoder.HasLogWriteError());
        EXPECT_EQ(decoder.GetLogWriteError(), "File too large");
        DecodeTelegram(decoder, "G2");
        EXPECT_EQ(decoder.GetLogWriteError(), "File too large");  // the first one is kept
    }

    // Logs opened afresh start without the old error.
    ASSERT_TRUE(decoder.OpenLogs(dir.File("fine.csv")).Ok());
    EXPECT_FALSE(decoder.HasLogWriteError());
    DecodeTelegram(decoder, "G3");
    EXPECT_FALSE(decoder.HasLogWriteError());
}

TEST(FormatDecoder, LogsAreSynchronisedOnceASecondWhileWrittenAndWhenClosed)
{
    using namespace std::chrono_literals;
    CTempDir dir;
    CCountingDisk disk;
    CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
    decoder.SetDiskSyncer(disk.Syncer());
    ASSERT_TRUE(decoder.OpenLogs(dir.File("synced.csv")).Ok());
    const auto start = std::chrono::steady_clock::now();
    int telegrams = 0;
    while (std::chrono::steady_clock::now() - start < 3200ms) {
        DecodeTelegram(decoder, "G1");
        ++telegrams;
        std::this_thread::sleep_for(50ms);
    }
    // About three seconds of telegrams: about three syncs of each file, not one per telegram.
    for (int file : {0, 1}) {
        EXPECT_GE(disk.Syncs(file), 2) << file;
        EXPECT_LE(disk.Syncs(file), 5) << file << " of " << telegrams << " telegrams";
    }
    // A quiet line brings no more syncs once the last telegram is on the disk.
    std::this_thread::sleep_for(2200ms);
    const int settled = disk.Syncs(0);
    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(disk.Syncs(0), settled);
    // Closing syncs both files one last time.
    decoder.CloseLogs();
    EXPECT_EQ(disk.Syncs(0), settled + 1);
    EXPECT_EQ(disk.Syncs(1), disk.Syncs(0));
    EXPECT_FALSE(decoder.HasLogWriteError());
}

TEST(FormatDecoder, FailedSyncIsRememberedWhileLoggingAndWhenClosing)
{
    using namespace std::chrono_literals;
    CTempDir dir;
    CCountingDisk disk;
    disk.failure = [] { return std::string("Input/output error"); };
    CRowAfterDecoder decoder(CFormatDecoder::RowShape::AfterDecode);
    decoder.SetDiskSyncer(disk.Syncer());
    ASSERT_TRUE(decoder.OpenLogs(dir.File("failing.csv")).Ok());
    DecodeTelegram(decoder, "G1");
    const auto start = std::chrono::steady_clock::now();
    while (!decoder.HasLogWriteError() && std::chrono::steady_clock::now() - start < 10s)
        std::this_thread::sleep_for(20ms);
    EXPECT_EQ(decoder.GetLogWriteError(), "Input/output error");
    decoder.CloseLogs();

    // A disk that fails only as the logs close: the failure is there after closing.
    std::atomic<bool> closing{false};
    disk.failure = [&closing] { return closing ? std::string("Disk quota exceeded") : std::string(); };
    ASSERT_TRUE(decoder.OpenLogs(dir.File("quota.csv")).Ok());
    DecodeTelegram(decoder, "G2");
    EXPECT_FALSE(decoder.HasLogWriteError());
    closing = true;
    decoder.CloseLogs();
    EXPECT_EQ(decoder.GetLogWriteError(), "Disk quota exceeded");
    EXPECT_EQ(SplitLines(ReadWholeFile(dir.File("quota.csv"))).size(), 3u);
}

TEST(FormatDecoder, TimeTextIsTimeOfDayWithMilliseconds)
{
    const double now = CTickwarden::GetPCMilliSecs();
    const std::string text = CFormatDecoder::TimeText(now);
    EXPECT_THAT(text, MatchesRegex(kTimePattern));
    auto millisOfDay = [](const std::string& t) {
        return ((std::stoi(t.substr(0, 2)) * 60 + std::stoi(t.substr(3, 2))) * 60 + std::stoi(t.substr(6, 2))) * 1000 +
               std::stoi(t.substr(9, 3));
    };
    const int later = millisOfDay(CFormatDecoder::TimeText(now + 1500.0));
    EXPECT_EQ((later - millisOfDay(text) + 86400000) % 86400000, 1500);
    // A failed read's receive time of 0.0 still converts.
    EXPECT_THAT(CFormatDecoder::TimeText(0.0), MatchesRegex(kTimePattern));
}

TEST(ByteView, ReadsPastTheEndAsZero)
{
    const std::string raw = Bytes({0x01, 0x02, 0x03});
    const CByteView bytes(raw);
    EXPECT_EQ(bytes.At(2), 0x03);
    EXPECT_EQ(bytes.At(3), 0);
    EXPECT_EQ(bytes.At(static_cast<std::size_t>(-1)), 0);
    EXPECT_EQ(bytes.U16LE(2), 0x0003);
    EXPECT_EQ(bytes.U32LE(0), 0x00030201u);
    EXPECT_EQ(bytes.Bytes(1, 4), Bytes({0x02, 0x03, 0x00, 0x00}));
    EXPECT_EQ(bytes.Xor(0, 100), 0x00);
    EXPECT_EQ(bytes.Sum16(1, 100), 5);
    EXPECT_EQ(bytes.Hex(1, 3, 11), "020300     ");
    EXPECT_EQ(bytes.Hex(0, 2, 0), "0102");
}

TEST(ByteView, LittleEndianFloats)
{
    const std::string raw = Bytes({0x00, 0x00, 0xc0, 0x3f, 0, 0, 0, 0, 0, 0, 0xf8, 0xbf});
    const CByteView bytes(raw);
    EXPECT_FLOAT_EQ(bytes.F32LE(0), 1.5f);
    EXPECT_DOUBLE_EQ(bytes.F64LE(4), -1.5);
    // Only the two bytes 0xf8 0xbf are there: the rest reads as zero.
    EXPECT_EQ(bytes.U32LE(10), 0x0000bff8u);
}

} // namespace
