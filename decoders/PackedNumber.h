#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "decoders/ByteView.h"

// Numbers that the binary telegrams pack into their bytes other than as
// plain binary. Bytes past the end of a short telegram read as 0, like
// every byte read through CByteView.
class CPackedNumber {
public:
    // 6-bit packing: each byte contributes only its low 6 bits.
    // 12 bits from two bytes, 0 to 4095.
    static int SixBit12(const CByteView& bytes, std::size_t offset);
    // 16 bits from three bytes (low 4 bits of the first), read as a signed
    // two's-complement number, -32768 to 32767.
    static std::int16_t SixBit16(const CByteView& bytes, std::size_t offset);

    // Signed packed BCD of length bytes, most significant digit first. A
    // first nibble of 0xD makes the number negative and is not a digit.
    // Nibbles are not checked: one above 9 adds its binary value.
    static std::int64_t SignedBcd(const CByteView& bytes, std::size_t offset, std::size_t length);

    // The other way, for telegrams this system makes itself: the bytes of a
    // value as a sender packs it. Values out of range keep their low bits
    // (6-bit) or their low digits (BCD).
    static std::string ToSixBit12(int value);
    static std::string ToSixBit16(int value);
    static std::string ToSignedBcd(std::int64_t value, std::size_t length);
};
