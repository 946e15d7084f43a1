#include "decoders/ZaqAsciiFramer.h"

#include <cstddef>

namespace {

// Where the date and time of a telegram have a digit ('9'), a letter of
// the month ('M'), a blank or a colon. A number of one digit may be written
// with a blank before it.
constexpr std::string_view kDateTimeShape = "99 MMM 99 99:99:99";

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool Fits(std::string_view shape, std::size_t at, char c)
{
    switch (shape[at]) {
    case '9':
        // The first place of a number may be a blank, the second not.
        return IsDigit(c) || (c == ' ' && at + 1 < shape.size() && shape[at + 1] == '9');
    case 'M':
        return IsLetter(c);
    default:
        return c == shape[at];
    }
}

// Whether a whole date and time begins the bytes.
bool BeginsWithDateTime(std::string_view bytes)
{
    if (bytes.size() < kDateTimeShape.size())
        return false;
    for (std::size_t at = 0; at < kDateTimeShape.size(); ++at) {
        if (!Fits(kDateTimeShape, at, bytes[at]))
            return false;
    }
    return true;
}

} // namespace

CTelegramFramer::CCut CZaqAsciiFramer::Cut(std::string_view bytes, Start) const
{
    const CCut line = CutLine(bytes);
    const std::size_t lineLength = line.kind == CCut::Kind::NeedMore ? bytes.size() : line.length;
    // A date and time within the line begins a telegram: what comes before it is noise.
    for (std::size_t at = 1; at < lineLength; ++at) {
        if (BeginsWithDateTime(bytes.substr(at, lineLength - at)))
            return Noise(at);
    }
    return line;
}
