#include "decoders/FloatText.h"

#include <charconv>
#include <cmath>
#include <iterator>

std::string OneDecimal(double value)
{
    // The largest double has 309 digits before the point.
    char digits[320];
    const std::to_chars_result end =
        std::to_chars(std::begin(digits), std::end(digits), value, std::chars_format::fixed, 1);
    return std::string(digits, end.ec == std::errc() ? end.ptr : digits);
}

std::string AlignRight(const std::string& text, std::size_t width)
{
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

double AsDecimal(float value)
{
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double widened = value;
    if (written.ec == std::errc())
        std::from_chars(text, written.ptr, widened);
    return widened;
}

double RoundedToMicrometre(double metres)
{
    // Below 2^53 micrometres every whole number of them is a double, and the
    // division gives the double nearest to the decimal.
    constexpr double kMicrometresPerMetre = 1e6;
    constexpr double kLargestExact = 9007199254740992.0;
    const double micrometres = std::round(metres * kMicrometresPerMetre);
    if (!(std::fabs(micrometres) < kLargestExact))
        return metres;
    return micrometres / kMicrometresPerMetre;
}
