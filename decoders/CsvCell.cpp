#include "decoders/CsvCell.h"

#include "report/ReceivedText.h"

namespace {

constexpr char kQuote = '"';
constexpr char kTextMark = '\'';

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Moves past the digits at the start of text; how many there were.
std::size_t SkipDigits(std::string_view& text)
{
    std::size_t count = 0;
    while (count < text.size() && IsDigit(text[count]))
        ++count;
    text.remove_prefix(count);
    return count;
}

void SkipSign(std::string_view& text)
{
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
        text.remove_prefix(1);
}

} // namespace

std::string CCsvCell::FromReceived(std::string_view bytes)
{
    return Written(ControlsReplaced(bytes), RunsAsFormula(bytes), ',');
}

std::string CCsvCell::Text(std::string_view text, char separator)
{
    return Written(text, RunsAsFormula(text), separator);
}

bool CCsvCell::IsNumber(std::string_view text)
{
    SkipSign(text);
    std::size_t digits = SkipDigits(text);
    if (!text.empty() && text.front() == '.') {
        text.remove_prefix(1);
        digits += SkipDigits(text);
    }
    if (digits == 0)
        return false;
    if (!text.empty() && (text.front() == 'e' || text.front() == 'E')) {
        text.remove_prefix(1);
        SkipSign(text);
        if (SkipDigits(text) == 0)
            return false;
    }
    return text.empty();
}

bool CCsvCell::RunsAsFormula(std::string_view text)
{
    return !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos &&
           !IsNumber(text);
}

std::string CCsvCell::Written(std::string_view text, bool guarded, char separator)
{
    const char special[] = {separator, kQuote, '\r', '\n', '\0'};
    if (!guarded && text.find_first_of(special) == std::string_view::npos)
        return std::string(text);
    std::string cell(1, kQuote);
    if (guarded)
        cell += kTextMark;
    for (const char c : text) {
        if (c == kQuote)
            cell += kQuote;
        cell += c;
    }
    cell += kQuote;
    return cell;
}
