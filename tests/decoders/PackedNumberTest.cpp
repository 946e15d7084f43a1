#include <gtest/gtest.h>

#include "decoders/PackedNumber.h"
#include "tests/decoders/DecoderTestSupport.h"

namespace {

std::int64_t Bcd(std::initializer_list<int> bytes)
{
    const std::string raw = Bytes(bytes);
    return CPackedNumber::SignedBcd(CByteView(raw), 0, raw.size());
}

TEST(PackedNumber, SignedBcd)
{
    EXPECT_EQ(Bcd({0xD0, 0x12, 0x34}), -1234);
    EXPECT_EQ(Bcd({0x01, 0x23, 0x45}), 12345);
    EXPECT_EQ(Bcd({0xD9}), -9);
    EXPECT_EQ(Bcd({0xD0}), 0);
    // Nibbles are not checked: A to F add 10 to 15, also in the first place.
    EXPECT_EQ(Bcd({0x0A}), 10);
    EXPECT_EQ(Bcd({0x1A, 0x0F}), 2015);
    EXPECT_EQ(Bcd({0xF0}), 150);
    EXPECT_EQ(Bcd({0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 16666666665);
    // A field too long for 64 bits wraps, also when the sign leaves exactly the
    // most negative number: -9223372036854775808.
    EXPECT_EQ(Bcd({0xD9, 0x22, 0x33, 0x72, 0x03, 0x68, 0x54, 0x77, 0x58, 0x08}), INT64_MIN);
    // Past the end of the telegram the digits are zeros.
    const std::string shortTelegram = Bytes({0x12, 0x34});
    EXPECT_EQ(CPackedNumber::SignedBcd(CByteView(shortTelegram), 1, 3), 340000);
    EXPECT_EQ(CPackedNumber::SignedBcd(CByteView(shortTelegram), 5, 2), 0);
}

TEST(PackedNumber, SixBitValues)
{
    const std::string raw = Bytes({0x3F, 0x3F, 0x20, 0x00, 0x0F, 0x3F, 0x3F, 0xC8, 0xC0, 0xC0});
    const CByteView view(raw);
    EXPECT_EQ(CPackedNumber::SixBit12(view, 0), 4095);
    EXPECT_EQ(CPackedNumber::SixBit12(view, 2), 2048);
    EXPECT_EQ(CPackedNumber::SixBit16(view, 4), -1);
    // Only the low six bits count (four of the first byte of a 16-bit value).
    EXPECT_EQ(CPackedNumber::SixBit16(view, 7), -32768);
    EXPECT_EQ(CPackedNumber::SixBit12(view, 9), 0);
}

TEST(PackedNumber, WritingReadsBack)
{
    EXPECT_EQ(CPackedNumber::ToSignedBcd(-1234, 3), Bytes({0xD0, 0x12, 0x34}));
    EXPECT_EQ(CPackedNumber::ToSignedBcd(654321012, 5), Bytes({0x06, 0x54, 0x32, 0x10, 0x12}));
    EXPECT_EQ(CPackedNumber::ToSixBit16(-1), Bytes({0x0F, 0x3F, 0x3F}));
    EXPECT_EQ(CPackedNumber::ToSixBit12(4095), Bytes({0x3F, 0x3F}));
    for (int value : {-32768, -2, 0, 1, 777, 32767}) {
        const std::string bytes = CPackedNumber::ToSixBit16(value);
        EXPECT_EQ(CPackedNumber::SixBit16(CByteView(bytes), 0), value);
    }
    for (std::int64_t value : {-99999, -1, 0, 7, 300, 99999}) {
        const std::string bytes = CPackedNumber::ToSignedBcd(value, 3);
        EXPECT_EQ(CPackedNumber::SignedBcd(CByteView(bytes), 0, 3), value);
    }
}

} // namespace
