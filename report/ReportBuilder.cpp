#include "report/ReportBuilder.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <utility>

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
// Which bytes the escape changes, looked up by value.
constexpr std::array<bool, 256> MakeEscapeTable()
{
    std::array<bool, 256> needed{};
    for (int byte = 0; byte < 256; ++byte)
        needed[byte] = byte == '\\' || byte == '{' || byte == '}' || (byte < 0x20 && byte != '\r' && byte != '\n') ||
                       byte >= 0x80;
    return needed;
}
constexpr std::array<bool, 256> kNeedsEscape = MakeEscapeTable();

bool NeedsEscape(const std::string& text)
{
    for (const char c : text)
        if (kNeedsEscape[static_cast<unsigned char>(c)])
            return true;
    return false;
}
} // namespace

std::string CReportBuilder::Escape(const std::string& text)
{
    static const char hexDigits[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size() + 8);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!kNeedsEscape[byte]) {
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

namespace {

// A line of text as the report shows it: CR and LF are no line breaks there.
void AppendShown(std::string& to, const std::string& text)
{
    for (const char c : text)
        if (c != '\r' && c != '\n')
            to += c;
}

std::string Trimmed(const std::string& text, bool front)
{
    const std::size_t last = text.find_last_not_of(' ');
    if (last == std::string::npos)
        return {};
    const std::size_t first = front ? text.find_first_not_of(' ') : 0;
    return text.substr(first, last + 1 - first);
}

// Where the interpretation column starts; an unlabelled line indented this
// far carries on the interpretation of the line before it.
constexpr std::size_t kInterpretationColumn = 26;

} // namespace

void CReportBuilder::AppendEscaped(const std::string& text)
{
    // Most text needs no escape at all: append it without a copy.
    if (NeedsEscape(text))
        body += Escape(text);
    else
        body += text;
}

void CReportBuilder::AppendText(const std::string& text)
{
    AppendEscaped(text);
    TakePlain(text);
}

void CReportBuilder::AppendAsciiText(const std::string& text)
{
    body += "\\cf1 ";
    AppendEscaped(text);
    body += "\\cf0 ";
    TakeRaw(text);
}

void CReportBuilder::TakePlain(const std::string& text)
{
    AppendShown(line.hasRaw ? line.text : line.label, text);
}

void CReportBuilder::TakeRaw(const std::string& text)
{
    // The first piece in the raw colour is the raw column; a later one (a
    // calculated checksum shown beside the received one) is part of the
    // interpretation.
    AppendShown(line.hasRaw ? line.text : line.raw, text);
    line.hasRaw = true;
}

std::vector<CReportField> CReportBuilder::TakeFields()
{
    return std::exchange(fields, {});
}

void CReportBuilder::EndLineText()
{
    std::string label = Trimmed(line.label, true);
    if (line.hasRaw && !label.empty()) {
        fields.push_back({std::move(label), Trimmed(line.raw, true), Trimmed(line.text, false)});
    } else if (!line.hasRaw && !fields.empty() && !label.empty() &&
               line.label.find_first_not_of(' ') >= kInterpretationColumn) {
        std::string& text = fields.back().text;
        text += text.empty() ? label : " " + label;
    }
    line.label.clear();
    line.raw.clear();
    line.text.clear();
    line.hasRaw = false;
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
    body += "\\line ";
    EndLineText();
}
void CReportBuilder::UnderlineOn() { body += "\\ul "; }
void CReportBuilder::UnderlineOff() { body += "\\ul0 "; }
void CReportBuilder::BoldOn() { body += "\\b "; }
void CReportBuilder::BoldOff() { body += "\\b0 "; }

void CReportBuilder::SetFontSize(int halfPoints)
{
    char word[32];
    std::snprintf(word, sizeof word, "\\fs%02d ", halfPoints);
    body += word;
}

std::string CReportBuilder::GetDocument() const
{
    return body + "}";
}
