#include "decoders/ByteView.h"

#include <cstring>

std::uint32_t CByteView::U32LE(std::size_t offset) const
{
    std::uint32_t value = 0;
    for (std::size_t i = 4; i-- > 0;)
        value = (value << 8) | At(offset + i);
    return value;
}

std::uint64_t CByteView::U64LE(std::size_t offset) const
{
    std::uint64_t value = 0;
    for (std::size_t i = 8; i-- > 0;)
        value = (value << 8) | At(offset + i);
    return value;
}

float CByteView::F32LE(std::size_t offset) const
{
    const std::uint32_t bits = U32LE(offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

double CByteView::F64LE(std::size_t offset) const
{
    const std::uint64_t bits = U64LE(offset);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string CByteView::Bytes(std::size_t offset, std::size_t len) const
{
    std::string bytes(len, '\0');
    for (std::size_t i = 0; i < len; ++i)
        bytes[i] = static_cast<char>(At(offset + i));
    return bytes;
}

std::uint8_t CByteView::Xor(std::size_t from, std::size_t to) const
{
    std::uint8_t value = 0;
    for (std::size_t i = from; i < to && i < data.size(); ++i)
        value ^= static_cast<std::uint8_t>(data[i]);
    return value;
}

std::uint16_t CByteView::Sum16(std::size_t from, std::size_t to) const
{
    unsigned value = 0;
    for (std::size_t i = from; i < to && i < data.size(); ++i)
        value += static_cast<std::uint8_t>(data[i]);
    return static_cast<std::uint16_t>(value & 0xFFFF);
}

std::string CByteView::Hex(std::size_t offset, std::size_t len, std::size_t width) const
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(len * 2 > width ? len * 2 : width);
    for (std::size_t i = 0; i < len; ++i) {
        const std::uint8_t byte = At(offset + i);
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}
