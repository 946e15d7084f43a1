#pragma once
// Feeds one fuzz input to a format's framer as a line would: appended in
// pieces whose sizes the input itself gives, with the brief quiet and the
// receive timeout coming between them where the input says so. The reads
// put together must be the input, byte for byte, and none may be empty or
// longer than the read limit; anything else aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "decoders/ContentFraming.h"
#include "decoders/FormatTable.h"

inline void FuzzTakeRead(const std::optional<std::string>& read, std::string& out)
{
    if (!read)
        return;
    if (read->empty() || read->size() > CContentFraming::kReadLimit)
        std::abort();
    out += *read;
}

inline int FuzzFraming(const CFormatEntry& format, const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CContentFraming framing(format.makeFramer());
    std::string out;
    for (std::size_t at = 0; at < size;) {
        // The byte at the cut says how many follow it in this piece, and what comes after.
        const std::uint8_t choice = data[at];
        const std::size_t length = 1 + choice % 97;
        framing.Append(input.substr(at, length));
        at += length;
        while (auto read = framing.TakeRead())
            FuzzTakeRead(read, out);
        if (choice & 0x40)
            FuzzTakeRead(framing.TakeProvisional(), out);
        if ((choice & 0xC0) == 0xC0)
            FuzzTakeRead(framing.TakeRest(), out);
    }
    while (framing.Buffered() > 0) {
        const std::optional<std::string> read = framing.TakeRest();
        if (!read)
            std::abort();
        FuzzTakeRead(read, out);
    }
    if (out != input)
        std::abort();
    CContentFraming::CountTelegrams(*format.makeFramer(), input);
    return 0;
}
