#pragma once
#include <cstddef>
#include <string>

// A number with one decimal, exactly as printf's "%.1f" writes it ("nan",
// "-inf" and forty-digit values included), at a fraction of its cost.
std::string OneDecimal(double value);

// text with blanks before it up to width, as printf's "%7s" pads.
std::string AlignRight(const std::string& text, std::size_t width);

// A float as the double of its shortest decimal text (127.90453f gives
// 127.90453, not 127.90453338623047): what the sender meant, for a record
// that keeps every value as a double.
double AsDecimal(float value);

// A length worked out from the telegram (counts times a unit, feet turned
// into metres) rounded to the micrometre: the decimal it stands for
// (-39.9, not -39.900000000000006), for a record that keeps it as a double.
// A value too large for micrometres to matter is kept as it is.
double RoundedToMicrometre(double metres);
