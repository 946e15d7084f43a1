#pragma once
// What tests look for in reports shown as plain text.
#include <string>

// The telegram status words a valid telegram never shows.
inline bool ShowsAStatusError(const std::string& reports)
{
    for (const char* word : {"BAD DATA", "EARLT EOT", "TIMED OUT", "CHECKSUM ERROR"}) {
        if (reports.find(word) != std::string::npos)
            return true;
    }
    return false;
}
