#pragma once
#include <optional>
#include <string_view>

// Numbers that the text telegrams write in characters, read the way the
// sender's C library reads them with the scan conversions "%d" and "%lf" in
// the "C" locale, whatever the user's locale. Each number may follow blanks
// (line ends included); none is the result when the text holds no number,
// which the scan calls a failed conversion.
class CTextNumber {
public:
    // An optionally signed decimal integer. One too large for an int is held
    // at the nearest end of its range.
    static std::optional<int> Integer(std::string_view text);

    // An optionally signed real: decimal with optional fraction and
    // exponent, hexadecimal after "0x" with an optional binary exponent
    // after "p", "inf" or "infinity" and "nan" in any case. The value is
    // rounded to the nearest double; one beyond the double range is an
    // infinity, one too small for a double a zero, each with the sign
    // written. A word that only starts like "infinity" ("infi", "infix")
    // is no number.
    static std::optional<double> Real(std::string_view text);
};
