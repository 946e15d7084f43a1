#pragma once
// What tests look for in reports shown as plain text.
#include <cstddef>
#include <string>

inline std::size_t Occurrences(const std::string& text, const std::string& what)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// The telegram status words a valid telegram never shows.
inline bool ShowsAStatusError(const std::string& reports)
{
    for (const char* word : {"BAD DATA", "EARLT EOT", "TIMED OUT", "CHECKSUM ERROR"}) {
        if (reports.find(word) != std::string::npos)
            return true;
    }
    return false;
}
