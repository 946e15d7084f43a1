#pragma once
#include <cstdarg>
#include <string>
#include <string_view>

#define VANTREL_PRINTF(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))

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
    void AppendText(std::string_view text);
    void AppendAsciiText(std::string_view text);

    // printf-style formatting into a string of whatever length it needs.
    static std::string FormatV(const char* format, va_list args);

    static std::string Escape(std::string_view text);

    static const char* const kPrologue;

private:
    void AppendControlWord(const char* word);

    std::string body;
};
