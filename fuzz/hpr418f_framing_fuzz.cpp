// A format's framer over any bytes, HPR 418F unless the build names another
// type code.
#include <cstddef>
#include <cstdint>

#include "decoders/FormatTable.h"
#include "fuzz/FramingFuzz.h"

#ifndef VANTREL_FRAMING_TYPE
#define VANTREL_FRAMING_TYPE kTypeHpr418F
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzFraming(VANTREL_FRAMING_TYPE, data, size);
}
