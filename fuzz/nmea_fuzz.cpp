// NMEA SSB/LBP sentences as the line delivered them.
#include <cstddef>
#include <cstdint>

#include "decoders/FormatTable.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return FuzzOneTelegram(kTypeNmea, data, size);
}
