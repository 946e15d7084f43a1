// Telegrams of one format as the line delivered them. The build makes one
// target of this file per format, naming the format's key in
// VANTREL_FORMAT_KEY.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "decoders/FormatTable.h"
#include "fuzz/FuzzSupport.h"

#ifndef VANTREL_FORMAT_KEY
#error "VANTREL_FORMAT_KEY names the format this target feeds"
#endif

namespace {

const CFormatEntry& FuzzedFormat()
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

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzedFormat();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzOneTelegram(FuzzedFormat(), data, size);
}
