#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

#include "decoders/ByteView.h"

// How a binary HPR 418 telegram (HPR 418D or HPR 418F) is put together, for
// the decoder that reads it and the generator that writes it. The header,
// the message section chosen by the message type, then the sum and the stop
// character; Hpr418Decoder.h draws every field.
namespace Hpr418Layout {

// Header: start character, block length (the size of the message section),
// message type, destination device.
inline constexpr std::size_t kBlockLengthAt = 1;
inline constexpr std::size_t kMessageTypeAt = 3;
inline constexpr std::size_t kDestinationAt = 4;
inline constexpr std::size_t kHeaderSize = 5;

inline constexpr int kSsblMessage = 1;
inline constexpr int kLblMessage = 2;

// Message sections: SSBL before its transponder-type extension, and LBL in
// each variant.
inline constexpr std::size_t kSsblSize = 58;
inline constexpr std::size_t kLblSizeD = 46;
inline constexpr std::size_t kLblSizeF = 65;

// The SSBL extension follows the transponder type.
inline constexpr int kDepthTransponder = 1;
inline constexpr std::size_t kDepthExtensionSize = 4;
inline constexpr std::size_t kInclinometerExtensionSize = 8;

inline bool HasInclinometer(int tpType)
{
    return tpType == 2 || tpType == 3;
}

// Where the HPR 418F LBL message keeps what the HPR 418D one has; the bytes
// before kLblFArrayAndTransducer are summed but carry nothing decoded.
inline constexpr std::size_t kLblFArrayAndTransducer = 16;
inline constexpr std::size_t kLblFPosEast = 18;
inline constexpr std::size_t kLblFPosNorth = 26;
inline constexpr std::size_t kLblFCommonBytes = 34;
inline constexpr std::size_t kLblCommonSize = 36;

// Trailer, right after the message section: the sum (u16), the stop character.
inline constexpr std::size_t kTrailerSize = 3;
inline constexpr std::uint8_t kStopChar = 0xAA;

// The length the header states: the block length, header and trailer.
inline std::size_t StatedLength(const CByteView& telegram)
{
    return telegram.U16LE(kBlockLengthAt) + kHeaderSize + kTrailerSize;
}

// The 16-bit sum of every byte from the start character to the end of the
// message section.
inline std::uint16_t Sum(const CByteView& telegram, std::size_t sectionEnd)
{
    return telegram.Sum16(0, sectionEnd);
}

// Numbers are little-endian; floats and doubles IEEE.
inline void AppendLittleEndian(std::string& bytes, std::uint64_t value, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline void AppendFloat(std::string& bytes, float value)
{
    AppendLittleEndian(bytes, std::bit_cast<std::uint32_t>(value), sizeof value);
}

inline void AppendDouble(std::string& bytes, double value)
{
    AppendLittleEndian(bytes, std::bit_cast<std::uint64_t>(value), sizeof value);
}

} // namespace Hpr418Layout
