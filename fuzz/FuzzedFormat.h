#pragma once
// The format a fuzz target feeds: the build makes one target of a source
// per format, naming the format's key in VANTREL_FORMAT_KEY.
#include <cstdio>
#include <cstdlib>

#include "decoders/FormatTable.h"

#ifndef VANTREL_FORMAT_KEY
#error "VANTREL_FORMAT_KEY names the format this target feeds"
#endif

inline const CFormatEntry& FuzzedFormat()
{
    static const CFormatEntry* const format = [] {
        const CFormatEntry* found = CFormatTable::FindByKey(VANTREL_FORMAT_KEY);
        if (!found) {
            std::fprintf(stderr, "no format with the key \"%s\" in the table of formats\n", VANTREL_FORMAT_KEY);
            std::abort();
        }
        return found;
    }();
    return *format;
}
