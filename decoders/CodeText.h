#pragma once
#include <cstddef>
#include <span>

// One entry of an interpretation table: a field value and its text.
struct CCodeText {
    int code;
    const char* text;
};

// The text of value in table, or fallback when the table does not list it.
// A span lets tables of different sizes stand side by side in one field table.
inline const char* LookupText(std::span<const CCodeText> table, int value, const char* fallback)
{
    for (const CCodeText& entry : table)
        if (entry.code == value)
            return entry.text;
    return fallback;
}

template <std::size_t N>
const char* LookupText(const CCodeText (&table)[N], int value, const char* fallback)
{
    return LookupText(std::span<const CCodeText>(table), value, fallback);
}
