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
