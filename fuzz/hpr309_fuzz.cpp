// HPR 309 telegrams as the line delivered them.
#include <cstddef>
#include <cstdint>

#include "decoders/FormatTable.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzOneTelegram(kTypeHpr309, data, size);
}
