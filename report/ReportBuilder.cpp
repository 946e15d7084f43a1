#include "report/ReportBuilder.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <string_view>
#include <utility>

const char* const CReportBuilder::kPrologue =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Courier New;}"
    "{\\colortbl;\\red100\\green100\\blue255;\\red244\\green244\\blue194;}}";

CReportBuilder::CReportBuilder() : body(kPrologue)
{
    SetFontSize(20);
    line = {body.size()};
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
// What a byte is besides a plain character, looked up by value.
enum : unsigned char { kEscaped = 1, kLineEnd = 2 };

constexpr std::array<unsigned char, 256> MakeByteTable()
{
    std::array<unsigned char, 256> kinds{};
    for (int byte = 0; byte < 256; ++byte) {
        if (byte == '\\' || byte == '{' || byte == '}' || (byte < 0x20 && byte != '\r' && byte != '\n') ||
            byte >= 0x80)
            kinds[byte] = kEscaped;
        if (byte == '\r' || byte == '\n')
            kinds[byte] = kLineEnd;
    }
    return kinds;
}
constexpr std::array<unsigned char, 256> kByteKinds = MakeByteTable();

bool IsPlain(char c)
{
    return kByteKinds[static_cast<unsigned char>(c)] == 0;
}

// Every kind of byte a piece of text holds.
unsigned KindsOf(const std::string& text)
{
    unsigned kinds = 0;
    for (const char c : text)
        kinds |= kByteKinds[static_cast<unsigned char>(c)];
    return kinds;
}
} // namespace

std::string CReportBuilder::Escape(const std::string& text)
{
    static const char hexDigits[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size() + 8);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (kByteKinds[byte] != kEscaped) {
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

constexpr std::string_view kRawOn = "\\cf1 ";
constexpr std::string_view kRawOff = "\\cf0 ";
constexpr std::string_view kLineBreak = "\\line ";

// Where the interpretation column starts; an unlabelled line indented this
// far carries on the interpretation of the line before it.
constexpr std::size_t kInterpretationColumn = 26;

// Marks from here on count in the builder's shown texts, not the document.
constexpr std::uint32_t kShownBase = 0x80000000u;

std::string_view TrimmedBack(std::string_view text)
{
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == ' ')
        --end;
    return text.substr(0, end);
}

std::string_view Trimmed(std::string_view text)
{
    text = TrimmedBack(text);
    std::size_t begin = 0;
    while (begin < text.size() && text[begin] == ' ')
        ++begin;
    return text.substr(begin);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    return (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : -1;
}

// Appends a stretch of the document as the report shows it: escapes
// undone, control words (colour, weight, underline, size) left out, and CR
// and LF dropped, as they are no line breaks in a rich-text report.
void AppendShown(std::string& shown, std::string_view document)
{
    const auto special = [](char c) { return c == '\\' || c == '\r' || c == '\n'; };
    std::size_t at = 0;
    while (at < document.size()) {
        // Plain characters in one piece.
        std::size_t run = at;
        while (run < document.size() && !special(document[run]))
            ++run;
        shown.append(document.substr(at, run - at));
        at = run;
        if (at >= document.size())
            break;
        const char c = document[at++];
        if (c != '\\' || at >= document.size())
            continue;  // CR and LF are left out; so is a backslash at the very end
        const char next = document[at++];
        if (next == '\'' && at + 1 < document.size()) {
            const int high = HexValue(document[at]);
            const int low = HexValue(document[at + 1]);
            shown += static_cast<char>(high < 0 || low < 0 ? '?' : high * 16 + low);
            at += 2;
        } else if (std::isalpha(static_cast<unsigned char>(next))) {
            // A control word: letters, a number, and one blank that ends it.
            while (at < document.size() && (std::isalnum(static_cast<unsigned char>(document[at])) || document[at] == '-'))
                ++at;
            if (at < document.size() && document[at] == ' ')
                ++at;
        } else {
            shown += next;  // an escaped \, { or }
        }
    }
}

} // namespace

void CReportBuilder::AppendText(const std::string& text)
{
    // Most text is plain: found so in one look-up a byte, and appended
    // without a copy.
    if (std::all_of(text.begin(), text.end(), IsPlain)) {
        body += text;
        return;
    }
    line.plain = false;
    if (KindsOf(text) & kEscaped)
        body += Escape(text);
    else
        body += text;
}

void CReportBuilder::AppendAsciiText(const std::string& text)
{
    // The first piece in the raw colour is the raw column; a later one (a
    // calculated checksum shown beside the received one) is part of the
    // interpretation.
    body += kRawOn;
    const bool first = line.rawBegin == std::string::npos;
    if (first)
        line.rawBegin = body.size();
    else
        line.plain = false;  // its colour words stand in the interpretation
    AppendText(text);
    if (first)
        line.rawEnd = body.size();
    body += kRawOff;
}

CReportField CReportFields::operator[](std::size_t at) const
{
    const CMarks& line = marks[at];
    const std::string_view all(*text);
    return {Trimmed(all.substr(line.label, line.labelEnd - line.label)),
            Trimmed(all.substr(line.raw, line.rawEnd - line.raw)),
            TrimmedBack(all.substr(line.text, line.textEnd - line.text))};
}

CReportFields::CReportFields(std::initializer_list<CReportField> lines)
{
    auto buffer = std::make_shared<std::string>();
    const auto place = [&buffer](std::string_view piece, std::uint32_t& begin, std::uint32_t& end) {
        begin = static_cast<std::uint32_t>(buffer->size());
        buffer->append(piece);
        end = static_cast<std::uint32_t>(buffer->size());
    };
    for (const CReportField& line : lines) {
        CMarks& mark = marks.emplace_back();
        place(line.label, mark.label, mark.labelEnd);
        place(line.raw, mark.raw, mark.rawEnd);
        place(line.text, mark.text, mark.textEnd);
    }
    text = std::move(buffer);
}

// The field lines share one buffer: the document as written so far, then
// the texts that had to be shown apart from it.
CReportFields CReportBuilder::Fields() const
{
    return FieldsOf(std::vector<CReportFields::CMarks>(fieldMarks));
}

CReportFields CReportBuilder::TakeFields()
{
    CReportFields fields = FieldsOf(std::move(fieldMarks));
    fieldMarks.clear();
    shownText.clear();
    return fields;
}

CReportFields CReportBuilder::FieldsOf(std::vector<CReportFields::CMarks> marks) const
{
    CReportFields fields;
    if (marks.empty())
        return fields;
    auto text = std::make_shared<std::string>();
    text->reserve(body.size() + shownText.size());
    *text += body;
    *text += shownText;
    // Shown texts were marked from the end of the document as it was then.
    const auto shift = static_cast<std::uint32_t>(body.size()) - kShownBase;
    for (CReportFields::CMarks& line : marks) {
        for (auto [begin, end] : {std::pair{&line.label, &line.labelEnd}, std::pair{&line.raw, &line.rawEnd},
                                  std::pair{&line.text, &line.textEnd}}) {
            if (*begin >= kShownBase) {
                *begin += shift;
                *end += shift;
            }
        }
    }
    fields.text = std::move(text);
    fields.marks = std::move(marks);
    return fields;
}

std::uint32_t CReportBuilder::AddShown(std::size_t begin, std::size_t end)
{
    const auto at = static_cast<std::uint32_t>(kShownBase + shownText.size());
    AppendShown(shownText, std::string_view(body).substr(begin, end - begin));
    return at;
}

// The line that ends here as a field line: where its texts before, in and
// after its raw column stand. They are trimmed when read.
void CReportBuilder::EndLineText()
{
    const std::size_t end = body.size();
    if (line.rawBegin == std::string::npos) {
        // An indented line under the interpretation carries it on.
        const std::string_view text = TrimmedBack(std::string_view(body).substr(line.start));
        const std::size_t indent = text.size() - Trimmed(text).size();
        if (fieldMarks.empty() || indent == text.size() || indent < kInterpretationColumn)
            return;
        CReportFields::CMarks& last = fieldMarks.back();
        const std::string_view before =
            last.text >= kShownBase ? std::string_view(shownText).substr(last.text - kShownBase, last.textEnd - last.text)
                                    : std::string_view(body).substr(last.text, last.textEnd - last.text);
        std::string joined(TrimmedBack(before));
        if (!joined.empty())
            joined += ' ';
        if (line.plain)
            joined += text.substr(indent);
        else
            AppendShown(joined, text.substr(indent));
        last.text = static_cast<std::uint32_t>(kShownBase + shownText.size());
        shownText += joined;
        last.textEnd = static_cast<std::uint32_t>(kShownBase + shownText.size());
        return;
    }
    const std::size_t labelEnd = line.rawBegin - kRawOn.size();
    const std::size_t textBegin = line.rawEnd + kRawOff.size();
    CReportFields::CMarks marks{};
    if (line.plain) {
        marks = {static_cast<std::uint32_t>(line.start), static_cast<std::uint32_t>(labelEnd),
                 static_cast<std::uint32_t>(line.rawBegin), static_cast<std::uint32_t>(line.rawEnd),
                 static_cast<std::uint32_t>(textBegin), static_cast<std::uint32_t>(end)};
        if (std::string_view(body).substr(line.start, labelEnd - line.start).find_first_not_of(' ') == std::string_view::npos)
            return;  // received text shown without a label, above a table, is no field line
    } else {
        const std::size_t restart = shownText.size();
        marks.label = AddShown(line.start, labelEnd);
        marks.labelEnd = static_cast<std::uint32_t>(kShownBase + shownText.size());
        if (std::string_view(shownText).substr(restart).find_first_not_of(' ') == std::string_view::npos) {
            shownText.resize(restart);
            return;
        }
        marks.raw = AddShown(line.rawBegin, line.rawEnd);
        marks.rawEnd = static_cast<std::uint32_t>(kShownBase + shownText.size());
        marks.text = AddShown(textBegin, end);
        marks.textEnd = static_cast<std::uint32_t>(kShownBase + shownText.size());
    }
    if (fieldMarks.empty())
        fieldMarks.reserve(40);
    fieldMarks.push_back(marks);
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
    EndLineText();
    body += kLineBreak;
    line = {body.size()};
}
void CReportBuilder::UnderlineOn() { AppendControlWord("\\ul "); }
void CReportBuilder::UnderlineOff() { AppendControlWord("\\ul0 "); }
void CReportBuilder::BoldOn() { AppendControlWord("\\b "); }
void CReportBuilder::BoldOff() { AppendControlWord("\\b0 "); }

void CReportBuilder::AppendControlWord(const char* word)
{
    body += word;
    line.plain = false;
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
