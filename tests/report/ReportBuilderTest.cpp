#include <gtest/gtest.h>

#include "report/ReportBuilder.h"
#include "report/RtfReader.h"

namespace {

const std::string kPrologue =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Courier New;}"
    "{\\colortbl;\\red100\\green100\\blue255;\\red244\\green244\\blue194;}}";

std::string BodyOf(const CReportBuilder& report)
{
    const std::string doc = report.GetDocument();
    const std::string start = kPrologue + "\\fs20 ";
    EXPECT_EQ(doc.substr(0, start.size()), start);
    EXPECT_EQ(doc.back(), '}');
    return doc.substr(start.size(), doc.size() - start.size() - 1);
}

TEST(ReportBuilder, EmptyDocumentIsPrologueFontSizeAndBrace)
{
    CReportBuilder report;
    EXPECT_EQ(report.GetDocument(), kPrologue + "\\fs20 }");
}

TEST(ReportBuilder, GetDocumentTwiceIsTheSameAndAppendsNothing)
{
    CReportBuilder report;
    report.Append("abc");
    const std::string first = report.GetDocument();
    EXPECT_EQ(report.GetDocument(), first);
    report.Append("d");
    EXPECT_EQ(report.GetDocument(), first.substr(0, first.size() - 1) + "d}");
}

TEST(ReportBuilder, ControlWordsAreExact)
{
    CReportBuilder report;
    report.NewLine();
    report.UnderlineOn();
    report.UnderlineOff();
    report.BoldOn();
    report.BoldOff();
    report.SetFontSize(8);
    report.SetFontSize(120);
    EXPECT_EQ(BodyOf(report), "\\line \\ul \\ul0 \\b \\b0 \\fs08 \\fs120 ");
}

TEST(ReportBuilder, HexColumnIsUpperCasedBetweenColourWords)
{
    CReportBuilder report;
    report.AppendHex("%02x         ", 171);
    EXPECT_EQ(BodyOf(report), "\\cf1 AB         \\cf0 ");
}

TEST(ReportBuilder, AsciiColumnKeepsLowerCase)
{
    CReportBuilder report;
    report.AppendAscii("%s", "$psimssb,a");
    EXPECT_EQ(BodyOf(report), "\\cf1 $psimssb,a\\cf0 ");
}

TEST(ReportBuilder, HostileBytesAreEscaped)
{
    CReportBuilder report;
    report.AppendText(std::string("a\\b{c}d\0e\x1f\x7f\x80\xff\r\n\t", 16));
    EXPECT_EQ(BodyOf(report), "a\\\\b\\{c\\}d\\'00e\\'1f\x7f\\'80\\'ff\r\n\\'09");
}

TEST(ReportBuilder, UpperCasingComesBeforeEscaping)
{
    CReportBuilder report;
    report.AppendHex("%s", "\xe9{x}");
    // 0xE9 stays a byte (no letter in the C locale) and is escaped in lower-case hex.
    EXPECT_EQ(BodyOf(report), "\\cf1 \\'e9\\{X\\}\\cf0 ");
}

TEST(ReportBuilder, LongPiecesAreAppendedWhole)
{
    CReportBuilder report;
    const std::string longText(5000, 'x');
    report.Append("%s|", longText.c_str());
    EXPECT_EQ(BodyOf(report), longText + "|");
}

TEST(RtfReader, RoundTripsTextAttributesAndEscapes)
{
    CReportBuilder report;
    report.Append("Telegram type   : %s", "X{1}\\");
    report.NewLine();
    report.UnderlineOn();
    report.BoldOn();
    report.Append("Heading");
    report.UnderlineOff();
    report.BoldOff();
    report.NewLine();
    report.Append("label  ");
    report.AppendHex("%02x", 0xab);
    report.AppendText(std::string("\0\xff\n", 3));
    report.NewLine();

    const std::vector<CRtfRun> runs = CRtfReader::Parse(report.GetDocument());
    EXPECT_EQ(CRtfReader::PlainText(runs),
              "Telegram type   : X{1}\\\nHeading\nlabel  AB" + std::string("\0\xff", 2) + "\n");
    ASSERT_GE(runs.size(), 6u);
    EXPECT_EQ(runs[0].text, "Telegram type   : X{1}\\");
    EXPECT_EQ(runs[0].fontSize, 20);
    EXPECT_TRUE(runs[1].lineBreak);
    EXPECT_EQ(runs[2].text, "Heading");
    EXPECT_TRUE(runs[2].bold);
    EXPECT_TRUE(runs[2].underline);
    EXPECT_EQ(runs[4].text, "label  ");
    EXPECT_FALSE(runs[4].bold);
    EXPECT_EQ(runs[5].text, "AB");
    EXPECT_EQ(runs[5].colour, 1);
    EXPECT_EQ(runs[6].colour, 0);
}

// Whatever byte the line delivers comes back from the document as that byte,
// in every kind of column; CR and LF are no line breaks in the document.
TEST(RtfReader, EveryByteRoundTrips)
{
    for (int value = 0; value < 256; ++value) {
        SCOPED_TRACE(value);
        const std::string piece = std::string("a") + static_cast<char>(value) + "1 z";
        const std::string expected = value == '\r' || value == '\n' ? "a1 z" : piece;
        CReportBuilder report;
        report.AppendText(piece);
        report.AppendAsciiText(piece);
        report.Append("%s", piece.c_str());
        report.NewLine();
        const std::string formatted = value == 0 ? "a" : expected;  // printf stops at a NUL
        EXPECT_EQ(CRtfReader::PlainText(report.GetDocument()), expected + expected + formatted + "\n");
    }
}

// Shown to the user, a CR LF in a decoder's message is a line break; the
// raw column's CR and LF (a received sentence's line end), a CR or LF alone,
// and every line end of the document as a rich-text viewer reads it are none.
TEST(RtfReader, MessageLineEndsBreakTheLineWhereTheUserIsShownThem)
{
    const struct {
        const char* text;
        bool rawColumn;
        const char* shown;
    } cases[] = {
        {"extracted 2\r\nNo index!, ", false, "extracted 2\nNo index!, "},
        {"a\r\n", false, "a\n"},
        {"a\r\n\r\nb", false, "a\n\nb"},
        {"$PSIMSSB,1*00\r\n", true, "$PSIMSSB,1*00"},
        {"a\rb\nc\n\rd", false, "abcd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CReportBuilder report;
        if (c.rawColumn)
            report.AppendAsciiText(c.text);
        else
            report.AppendText(c.text);
        const std::string document = report.GetDocument();
        EXPECT_EQ(CRtfReader::PlainText(document, CRtfReader::TextLineEnds::Break), c.shown);
        std::string dropped = c.text;
        std::erase_if(dropped, [](char ch) { return ch == '\r' || ch == '\n'; });
        EXPECT_EQ(CRtfReader::PlainText(document), dropped);
    }
}

TEST(RtfReader, EmptyReportHasNoText)
{
    CReportBuilder report;
    EXPECT_EQ(CRtfReader::PlainText(report.GetDocument()), "");
}

TEST(RtfReader, TruncatedDocumentsDoNotCrash)
{
    for (const char* doc : {"{\\", "{\\'", "{\\'4", "}}}{", "\\fs", "{\\cf-"})
        EXPECT_NO_THROW(CRtfReader::Parse(doc));
}

} // namespace
