#pragma once
#include <cstddef>
#include <cstdint>

#include "decoders/ByteView.h"

// How an HPR 309 transponder telegram is put together, for the decoder that
// reads it and the generator that writes it: 32 bytes, the check byte and
// the end marker last; Hpr309Decoder.h draws every field.
namespace Hpr309Layout {

inline constexpr std::size_t kLength = 32;
inline constexpr std::size_t kChecksum = 30;
inline constexpr std::size_t kEndOfTg = 31;
// What the end marker holds as we send it: a carriage return. A sender may
// choose another byte: the decoder shows whatever byte comes last, and the
// framer learns the line's from its telegrams.
inline constexpr std::uint8_t kEndMarker = 0x0D;

// Angles are 12-bit counts, a full circle in kAngleCounts; roll and pitch
// take bit 11 as the sign.
inline constexpr int kAngleCounts = 4096;
inline constexpr int kAngleSignBit = 0x800;
inline constexpr double kDegreesPerCount = 0.0878906;
// Distances are 16-bit signed counts of metres, or of feet when the
// Transducers byte says so.
inline constexpr double kMetresPerCount = 0.125;
inline constexpr double kFeetPerCount = 0.4101;
inline constexpr double kMetresPerFoot = 0.3048;

// The check byte makes the XOR of all 32 bytes kXorResult.
inline constexpr std::uint8_t kXorResult = 0x40;

// The XOR of the telegram's 32 bytes; kXorResult when the check byte is right.
inline std::uint8_t Xor(const CByteView& telegram)
{
    return telegram.Xor(0, kLength);
}

// The check byte for the other 31 bytes, whatever byte kChecksum holds now.
inline std::uint8_t CheckByte(const CByteView& telegram)
{
    return Xor(telegram) ^ telegram.At(kChecksum) ^ kXorResult;
}

} // namespace Hpr309Layout
