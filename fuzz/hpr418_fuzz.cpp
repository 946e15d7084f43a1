// HPR 418 telegrams of either variant: the first byte's low bit picks
// HPR 418F, the rest is the telegram as the line delivered it.
#include <cstddef>
#include <cstdint>

#include "decoders/DecoderFactory.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int typeCode = (data[0] & 1) ? kTypeHpr418F : kTypeHpr418D;
    return FuzzOneTelegram(typeCode, data + 1, size - 1);
}
