#include "decoders/TextNumber.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <limits>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The text from its first character that is not a blank.
std::string_view SkipBlanks(std::string_view text)
{
    std::size_t start = 0;
    while (start < text.size() && IsBlank(text[start]))
        ++start;
    return text.substr(start);
}

// Takes a sign off the front of text; true when it was a minus.
bool TakeSign(std::string_view& text)
{
    if (text.empty() || (text.front() != '-' && text.front() != '+'))
        return false;
    const bool negative = text.front() == '-';
    text.remove_prefix(1);
    return negative;
}

bool IsDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDecimalDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether text starts with word (written in lower case), in any case.
bool StartsWithAnyCase(std::string_view text, std::string_view word)
{
    return text.size() >= word.size() &&
           std::equal(word.begin(), word.end(), text.begin(), [](char w, char t) { return w == Lower(t); });
}

// Whether a number that from_chars found beyond the double range lies beyond
// its large end rather than its small one: whether the place of its first
// significant digit, counted from the point, and its exponent add up to more
// than zero. Such a number is far from 1 either way, so no rounding matters.
bool IsTooLarge(std::string_view number, std::chars_format format)
{
    const bool hex = format == std::chars_format::hex;
    const std::size_t exponentMark = number.find_first_of(hex ? "pP" : "eE");
    const std::string_view mantissa = number.substr(0, exponentMark);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_not_of("0.");
    if (first == std::string_view::npos)
        return false;  // zero is never out of range
    // The digits from the first significant one to the point, or minus the
    // zeros between the point and it; a hexadecimal digit is four binary places.
    long long place = first < point ? static_cast<long long>(point - first)
                                    : -static_cast<long long>(first - point - 1);
    if (hex)
        place *= 4;
    const std::string_view exponent = exponentMark == std::string_view::npos ? "" : number.substr(exponentMark + 1);
    return place + CTextNumber::Integer(exponent).value_or(0) > 0;
}

// The converters below set value and return true when the text starts with
// a number, and return false when it does not. (The value goes through a
// reference rather than an optional: a telegram carries up to nine reals,
// and an optional returned through every step made each reading about half
// as slow again.)

// An unsigned number in decimal or in hexadecimal digits (format), which
// starts with a digit or a point. Beyond the double range it is the
// infinity or the zero that the C library gives.
bool Convert(std::string_view number, std::chars_format format, double& value)
{
    const char first = number.empty() ? '\0' : number.front();
    const bool digit = format == std::chars_format::hex ? IsHexDigit(first) : IsDecimalDigit(first);
    if (!digit && first != '.')
        return false;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value, format);
    if (error == std::errc())
        return true;
    if (error != std::errc::result_out_of_range)
        return false;
    const std::string_view read(number.data(), static_cast<std::size_t>(end - number.data()));
    value = IsTooLarge(read, format) ? std::numeric_limits<double>::infinity() : 0.0;
    return true;
}

// The digits after "0x". A point without a digit after it still reads as
// zero, as the C library reads it; no digit and no point is no number.
bool ConvertHex(std::string_view digits, double& value)
{
    if (digits.starts_with('.') && (digits.size() == 1 || !IsHexDigit(digits[1]))) {
        value = 0.0;
        return true;
    }
    return Convert(digits, std::chars_format::hex, value);
}

// "nan", "inf" or "infinity" in any case. An "i" after "inf" must go on to
// "infinity": the scan takes "infi" of "infix" or "infinit" as the start of
// "infinity", and that start alone is no number.
bool ConvertWord(std::string_view word, double& value)
{
    if (StartsWithAnyCase(word, "nan")) {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (!StartsWithAnyCase(word, "inf"))
        return false;
    if (word.size() > 3 && Lower(word[3]) == 'i' && !StartsWithAnyCase(word, "infinity"))
        return false;
    value = std::numeric_limits<double>::infinity();
    return true;
}

// A real number without its sign.
bool ConvertUnsigned(std::string_view number, double& value)
{
    const char first = number.empty() ? '\0' : Lower(number.front());
    if (first == 'i' || first == 'n')
        return ConvertWord(number, value);
    if (first == '0' && number.size() > 1 && Lower(number[1]) == 'x')
        return ConvertHex(number.substr(2), value);
    return Convert(number, std::chars_format::general, value);
}

} // namespace

std::optional<int> CTextNumber::Integer(std::string_view text)
{
    std::string_view number = SkipBlanks(text);
    const bool negative = TakeSign(number);
    long long value = 0;
    std::size_t digits = 0;
    for (; digits < number.size() && IsDecimalDigit(number[digits]); ++digits)
        value = std::min(value * 10 + (number[digits] - '0'), static_cast<long long>(INT_MAX) + 1);
    if (digits == 0)
        return std::nullopt;
    if (negative)
        return static_cast<int>(-value);
    return static_cast<int>(std::min(value, static_cast<long long>(INT_MAX)));
}

std::optional<double> CTextNumber::Real(std::string_view text)
{
    std::string_view number = SkipBlanks(text);
    const bool negative = TakeSign(number);
    double magnitude = 0.0;
    if (!ConvertUnsigned(number, magnitude))
        return std::nullopt;
    return negative ? -magnitude : magnitude;
}
