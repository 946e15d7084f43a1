#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "report/RtfReader.h"
#include "tests/decoders/DecoderTestSupport.h"

namespace {

// The lines of a report as the view shows them, each with whether it has a
// raw column: read back from the document, apart from how the record was made.
struct CShownLine {
    std::string text;
    bool hasRaw = false;
    bool labelled = false;  // text stands before the raw column
};

std::vector<CShownLine> ShownLines(const std::string& document)
{
    std::vector<CShownLine> lines(1);
    for (const CRtfRun& run : CRtfReader::Parse(document)) {
        if (run.lineBreak) {
            lines.emplace_back();
            continue;
        }
        CShownLine& line = lines.back();
        if (run.colour == 1 && !run.text.empty() && !line.hasRaw) {
            line.hasRaw = true;
            line.labelled = line.text.find_first_not_of(' ') != std::string::npos;
        }
        line.text += run.text;
    }
    return lines;
}

// Every field of the record stands, in order, on a line of the report with
// a label and a raw column: label first, the raw column after it, the interpretation
// after that; and every such line is a field.
void ExpectFieldsAreTheReportsFieldLines(const CTelegramRecord& record, const std::string& document)
{
    const std::vector<CShownLine> lines = ShownLines(document);
    std::vector<const CShownLine*> fieldLines;
    for (const CShownLine& line : lines)
        if (line.hasRaw && line.labelled)
            fieldLines.push_back(&line);
    ASSERT_EQ(record.fields.size(), fieldLines.size()) << CRtfReader::PlainText(document);
    for (std::size_t i = 0; i < fieldLines.size(); ++i) {
        const CTelegramField field = record.fields[i];
        const std::string& line = fieldLines[i]->text;
        SCOPED_TRACE(line);
        EXPECT_EQ(line.rfind(field.label, 0), 0u);
        const std::size_t raw = line.find(field.raw, field.label.size());
        ASSERT_NE(raw, std::string::npos);
        const std::size_t firstWords = std::min<std::size_t>(field.text.size(), 20);
        EXPECT_NE(line.find(field.text.substr(0, firstWords), raw + field.raw.size()), std::string::npos);
        EXPECT_TRUE(field.text.empty() || field.text.back() != ' ');
    }
}

TEST(TelegramRecord, EveryFormatRecordsItsFieldLinesTypeNumberAndBytes)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        auto generator = CTelegramGenerator::Create(format.code);
        auto decoder = format.makeDecoder();
        for (int i = 1; i <= 12; ++i) {
            const std::string telegram = generator->Next();
            const CDecodeResult result = DecodeTelegram(*decoder, telegram);
            const CTelegramRecord record = decoder->TakeRecord();
            EXPECT_EQ(record.status, kStatusOk);
            EXPECT_EQ(record.number, i);
            EXPECT_EQ(record.bytes, static_cast<int>(telegram.size()));
            EXPECT_NE(result.text.find("Telegram type   : " + record.typeText + "\n"), std::string::npos)
                << record.typeText;
            EXPECT_GT(record.fields.size(), 3u);
            ExpectFieldsAreTheReportsFieldLines(record, result.document);
            EXPECT_TRUE(decoder->Record().fields.empty()) << "taken records leave an empty one";
        }
    }
}

TEST(TelegramRecord, AFailedReadRecordsItsStatusWordAndNothingElse)
{
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        SCOPED_TRACE(format.name);
        auto decoder = format.makeDecoder();
        DecodeTelegram(*decoder, "");
        const CTelegramRecord record = decoder->TakeRecord();
        EXPECT_EQ(record.status, kStatusTimedOut);
        EXPECT_EQ(record.typeText, "TIMED OUT");
        EXPECT_EQ(record.number, 1);
        EXPECT_EQ(record.bytes, 0);
        EXPECT_TRUE(record.fields.empty());
        EXPECT_FALSE(record.position);
        EXPECT_FALSE(record.checksumAgrees);
        EXPECT_FALSE(record.lengthAgrees);
    }
}

// The verdict names what failed first: the status, then the checksum, then
// the length; a check the format does not carry counts for nothing.
TEST(TelegramRecord, VerdictIsGoodOnlyWhenStatusAndEveryCheckAgree)
{
    const std::optional<bool> none;
    const struct {
        TelegramStatus status;
        std::optional<bool> checksum, length;
        const char* word;
    } cases[] = {
        {kStatusOk, true, true, "OK"},
        {kStatusOk, none, none, "OK"},
        {kStatusOk, none, true, "OK"},
        {kStatusOk, false, true, "CHECKSUM MISMATCH"},
        {kStatusOk, false, false, "CHECKSUM MISMATCH"},
        {kStatusOk, none, false, "LENGTH MISMATCH"},
        {kStatusOk, true, false, "LENGTH MISMATCH"},
        {kStatusBadData, false, false, "BAD DATA"},
        {kStatusEarlyEot, none, none, "EARLT EOT"},
        {kStatusTimedOut, none, none, "TIMED OUT"},
        {kStatusChecksumError, none, none, "CHECKSUM ERROR"},
    };
    for (const auto& c : cases) {
        CTelegramRecord record;
        record.status = c.status;
        record.checksumAgrees = c.checksum;
        record.lengthAgrees = c.length;
        const CTelegramVerdict verdict = record.Verdict();
        EXPECT_STREQ(verdict.Word(), c.word);
        EXPECT_EQ(verdict.Good(), std::string(c.word) == "OK") << c.word;
    }
}

} // namespace
