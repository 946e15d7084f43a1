// Any bytes, as a line of one format brings them, cut by the format's
// framer. The build makes one target of this file per format, naming the
// format's key in VANTREL_FORMAT_KEY.
#include <cstddef>
#include <cstdint>

#include "fuzz/FramingFuzz.h"
#include "fuzz/FuzzedFormat.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzedFormat();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzFraming(FuzzedFormat(), data, size);
}
