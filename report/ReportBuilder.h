#pragma once
#include <cstdarg>
#include <string>
#include <vector>

#define VANTREL_PRINTF(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))

// One field line of a report as data: the label column, the raw column and
// the interpretation, as the user reads them (blanks around the label and
// the raw column, and after the interpretation, trimmed).
struct CReportField {
    std::string label;
    std::string raw;
    std::string text;
};

// The rich-text report of one telegram, built piece by piece by a decoder.
//
// Every text appended is escaped so that the document stays well-formed
// whatever bytes the line delivered: "\", "{" and "}" get a backslash in
// front; a byte below 0x20 other than CR and LF, and every byte from 0x80
// up, becomes \'hh. All other bytes pass unchanged, and a formatted piece of
// any length is appended whole.
class CReportBuilder {
public:
    CReportBuilder();
    virtual ~CReportBuilder() = default;

    void Append(const char* format, ...) VANTREL_PRINTF(2, 3);
    // The hex column of binary telegrams: colour 1, upper-cased.
    void AppendHex(const char* format, ...) VANTREL_PRINTF(2, 3);
    // The character column of ASCII telegrams: colour 1, as received.
    void AppendAscii(const char* format, ...) VANTREL_PRINTF(2, 3);

    void NewLine();
    void UnderlineOn();
    void UnderlineOff();
    void BoldOn();
    void BoldOff();
    void SetFontSize(int halfPoints);

    // The whole document: the body followed by the closing brace.
    std::string GetDocument() const;

    // Already formatted text, of any length and with any bytes (escaped like
    // every other text): plain, and as a colour-1 column taken as it stands.
    void AppendText(const std::string& text);
    void AppendAsciiText(const std::string& text);

    // printf-style formatting into a string of whatever length it needs.
    static std::string FormatV(const char* format, va_list args);

    static std::string Escape(const std::string& text);

    // Every field line written so far, in order: each line with a label and
    // a raw column (a line of received text without a label, shown above a
    // table, is none). A line without a raw column that is indented under
    // the interpretation continues the field line before it.
    const std::vector<CReportField>& Fields() const { return fields; }
    // Hands the field lines over, leaving none.
    std::vector<CReportField> TakeFields();

    // The telegram's index text, examined by the display filter.
    std::string indexText;

    static const char* const kPrologue;

private:
    // The line being written, as the user will read it.
    struct CLineText {
        std::string label;  // plain text before the raw column
        std::string raw;    // the first piece in the raw colour
        std::string text;   // everything after it
        bool hasRaw = false;
    };
    void AppendEscaped(const std::string& text);
    void TakePlain(const std::string& text);
    void TakeRaw(const std::string& text);
    void EndLineText();

    std::string body;
    CLineText line;
    std::vector<CReportField> fields;
};
