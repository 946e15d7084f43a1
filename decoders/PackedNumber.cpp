#include "decoders/PackedNumber.h"

int CPackedNumber::SixBit12(const CByteView& bytes, std::size_t offset)
{
    return ((bytes.At(offset) & 0x3F) << 6) | (bytes.At(offset + 1) & 0x3F);
}

std::int16_t CPackedNumber::SixBit16(const CByteView& bytes, std::size_t offset)
{
    const unsigned value = ((bytes.At(offset) & 0x0Fu) << 12) | ((bytes.At(offset + 1) & 0x3Fu) << 6) |
                           (bytes.At(offset + 2) & 0x3Fu);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}

std::int64_t CPackedNumber::SignedBcd(const CByteView& bytes, std::size_t offset, std::size_t length)
{
    if (length == 0)
        return 0;
    // Unsigned arithmetic: a long run of nibbles above 9 wraps instead of overflowing.
    const bool negative = (bytes.At(offset) >> 4) == 0xD;
    std::uint64_t value = negative ? 0 : (bytes.At(offset) >> 4);
    value = value * 10 + (bytes.At(offset) & 0x0F);
    for (std::size_t i = 1; i < length; ++i) {
        const std::uint8_t byte = bytes.At(offset + i);
        value = value * 10 + (byte >> 4);
        value = value * 10 + (byte & 0x0F);
    }
    // The sign is applied before leaving unsigned arithmetic too.
    return static_cast<std::int64_t>(negative ? 0 - value : value);
}

std::string CPackedNumber::ToSixBit12(int value)
{
    const auto bits = static_cast<unsigned>(value);
    return {static_cast<char>((bits >> 6) & 0x3F), static_cast<char>(bits & 0x3F)};
}

std::string CPackedNumber::ToSixBit16(int value)
{
    const auto bits = static_cast<unsigned>(value);
    return {static_cast<char>((bits >> 12) & 0x0F), static_cast<char>((bits >> 6) & 0x3F),
            static_cast<char>(bits & 0x3F)};
}

std::string CPackedNumber::ToSignedBcd(std::int64_t value, std::size_t length)
{
    std::string bytes(length, '\0');
    const bool negative = value < 0;
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    // Digits fill from the last nibble towards the first.
    for (std::size_t nibble = 0; nibble < 2 * length; ++nibble) {
        const std::size_t at = length - 1 - nibble / 2;
        const auto digit = static_cast<unsigned>(magnitude % 10);
        magnitude /= 10;
        bytes[at] = static_cast<char>(static_cast<std::uint8_t>(bytes[at]) | (nibble % 2 ? digit << 4 : digit));
    }
    if (negative && length > 0)
        bytes[0] = static_cast<char>(0xD0 | (static_cast<std::uint8_t>(bytes[0]) & 0x0F));
    return bytes;
}
