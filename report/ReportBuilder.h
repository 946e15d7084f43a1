#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#define VANTREL_PRINTF(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))

// One field line of a report as data: the label column, the raw column and
// the interpretation, as the user reads them (blanks around the label and
// the raw column, and after the interpretation, trimmed). The texts belong
// to the CReportFields the line came from and live as long as any copy of it.
struct CReportField {
    std::string_view label;
    std::string_view raw;
    std::string_view text;
};

// The field lines of one report. All their texts share one buffer, so the
// lines are cheap to take from the builder and to copy along with a
// telegram; each line's texts are trimmed when it is read.
class CReportFields {
public:
    // Where a line's three texts stand in the buffer, blanks included.
    struct CMarks {
        std::uint32_t label, labelEnd, raw, rawEnd, text, textEnd;
    };

    class const_iterator {
    public:
        using value_type = CReportField;
        using difference_type = std::ptrdiff_t;
        const_iterator(const CReportFields* fields, std::size_t at) : fields(fields), at(at) {}
        CReportField operator*() const { return (*fields)[at]; }
        const_iterator& operator++() { ++at; return *this; }
        bool operator==(const const_iterator& other) const = default;

    private:
        const CReportFields* fields;
        std::size_t at;
    };

    CReportFields() = default;
    // Lines given as texts, for a record made elsewhere than in a report.
    CReportFields(std::initializer_list<CReportField> lines);

    std::size_t size() const { return marks.size(); }
    bool empty() const { return marks.empty(); }
    CReportField operator[](std::size_t at) const;
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, marks.size()}; }

private:
    friend class CReportBuilder;
    std::shared_ptr<const std::string> text;
    std::vector<CMarks> marks;
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
    CReportFields Fields() const;
    // Hands the field lines over, leaving none.
    CReportFields TakeFields();

    static const char* const kPrologue;

private:
    // Where the line being written stands in the document: its start and
    // its raw column (npos until it has one).
    struct CLineMarks {
        std::size_t start = 0;
        std::size_t rawBegin = std::string::npos;
        std::size_t rawEnd = std::string::npos;
        bool plain = true;  // no escape, control word, CR or LF in its text
    };
    void AppendControlWord(const char* word);
    void EndLineText();

    std::string body;
    // The texts of a line that holds escapes or control words, as shown,
    // go to shownText; its marks then count from the end of the document.
    std::uint32_t AddShown(std::size_t begin, std::size_t end);
    CReportFields FieldsOf(std::vector<CReportFields::CMarks> marks) const;

    CLineMarks line;
    std::string shownText;
    std::vector<CReportFields::CMarks> fieldMarks;
};
