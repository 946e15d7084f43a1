#include "report/ReportBuilder.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <string_view>

const char* const CReportBuilder::kPrologue =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Courier New;}"
    "{\\colortbl;\\red100\\green100\\blue255;\\red244\\green244\\blue194;}}";

CReportBuilder::CReportBuilder() : body(kPrologue)
{
    SetFontSize(20);
}

std::string CReportBuilder::FormatV(const char* format, va_list args)
{
    // Pieces are short: one pass into a stack buffer, a second only for a long one.
    char buffer[256];
    va_list attempt;
    va_copy(attempt, args);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, attempt);
    va_end(attempt);
    if (length <= 0)
        return {};
    if (static_cast<std::size_t>(length) < sizeof buffer)
        return std::string(buffer, static_cast<std::size_t>(length));
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

namespace {
// Whether a byte is escaped, looked up by value.
constexpr std::array<bool, 256> MakeEscapedTable()
{
    std::array<bool, 256> escaped{};
    for (int byte = 0; byte < 256; ++byte)
        escaped[byte] = byte == '\\' || byte == '{' || byte == '}' || (byte < 0x20 && byte != '\r' && byte != '\n') ||
                        byte >= 0x80;
    return escaped;
}
constexpr std::array<bool, 256> kEscaped = MakeEscapedTable();

bool IsEscaped(char c)
{
    return kEscaped[static_cast<unsigned char>(c)];
}

constexpr std::string_view kRawOn = "\\cf1 ";
constexpr std::string_view kRawOff = "\\cf0 ";
constexpr std::string_view kLineBreak = "\\line ";
} // namespace

std::string CReportBuilder::Escape(std::string_view text)
{
    static const char hexDigits[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size() + 8);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!kEscaped[byte]) {
            escaped += c;
        } else if (byte == '\\' || byte == '{' || byte == '}') {
            escaped += '\\';
            escaped += c;
        } else {
            escaped += "\\'";
            escaped += hexDigits[byte >> 4];
            escaped += hexDigits[byte & 0x0F];
        }
    }
    return escaped;
}

void CReportBuilder::AppendText(std::string_view text)
{
    // Most text is plain: found so in one look-up a byte, and appended
    // without a copy.
    if (std::none_of(text.begin(), text.end(), IsEscaped))
        body += text;
    else
        body += Escape(text);
}

void CReportBuilder::AppendAsciiText(std::string_view text)
{
    body += kRawOn;
    AppendText(text);
    body += kRawOff;
}

void CReportBuilder::Append(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    AppendText(FormatV(format, args));
    va_end(args);
}

void CReportBuilder::AppendHex(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    AppendAsciiText(text);
}

void CReportBuilder::AppendAscii(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    AppendAsciiText(FormatV(format, args));
    va_end(args);
}

void CReportBuilder::NewLine()
{
    body += kLineBreak;
}
void CReportBuilder::UnderlineOn() { AppendControlWord("\\ul "); }
void CReportBuilder::UnderlineOff() { AppendControlWord("\\ul0 "); }
void CReportBuilder::BoldOn() { AppendControlWord("\\b "); }
void CReportBuilder::BoldOff() { AppendControlWord("\\b0 "); }

void CReportBuilder::AppendControlWord(const char* word)
{
    body += word;
}

void CReportBuilder::SetFontSize(int halfPoints)
{
    char word[32];
    std::snprintf(word, sizeof word, "\\fs%02d ", halfPoints);
    AppendControlWord(word);
}

std::string CReportBuilder::GetDocument() const
{
    return body + "}";
}
