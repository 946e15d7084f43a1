#pragma once
#include <string>
#include <vector>

// One stretch of report text with the same attributes. A "\line" of the
// document is a run holding a single "\n" with lineBreak set.
struct CRtfRun {
    std::string text;
    int colour = 0;      // index into the report's colour table: 0 default, 1 raw columns
    bool bold = false;
    bool underline = false;
    int fontSize = 24;   // half-points
    bool lineBreak = false;
};

// Reads what CReportBuilder writes: turns the document into runs of text
// with their attributes, skips the font and colour tables, and undoes the
// escapes. CR and LF characters inside the text are not line breaks in a
// rich-text document and are dropped, as a rich-text viewer would.
class CRtfReader {
public:
    // How CR LF inside the text is read. A decoder's message that ends in
    // CR LF (a date that cannot be read) means a line break, and the user
    // is shown one; in the raw column, where a received sentence stands
    // with its own line end, CR and LF are dropped either way.
    enum class TextLineEnds { Dropped, Break };

    static std::vector<CRtfRun> Parse(const std::string& document, TextLineEnds lineEnds = TextLineEnds::Dropped);

    // The runs' text, each "\line" as a newline.
    static std::string PlainText(const std::vector<CRtfRun>& runs);
    static std::string PlainText(const std::string& document, TextLineEnds lineEnds = TextLineEnds::Dropped);
};
