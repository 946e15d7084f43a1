// Telegrams of one format as the line delivered them. The build makes one
// target of this file per format, naming the format's key in
// VANTREL_FORMAT_KEY.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "fuzz/FuzzedFormat.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzedFormat();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzOneTelegram(FuzzedFormat(), data, size);
}
