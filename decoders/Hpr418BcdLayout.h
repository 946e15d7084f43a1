#pragma once
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "decoders/ByteView.h"
#include "decoders/PackedNumber.h"

// How the BCD telegram of the HPR 418 family is put together, for the
// decoder that reads it and the generator that writes it: 32 bytes framed
// by a start and an end byte, the head byte choosing the message, the
// checksum last but one. Hpr418BcdDecoder.h draws every field.
namespace Hpr418BcdLayout {

inline constexpr std::size_t kLength = 32;
inline constexpr std::uint8_t kStartByte = 0xDF;
inline constexpr std::uint8_t kEndByte = 0xFF;

// Byte offsets every message shares.
enum : std::size_t {
    kStart = 0,
    kHeadByte = 1,
    kStatus1 = 2,
    kStatus2 = 3,
    kTpInf = 4,  // SSBL: transponder type; LBL: position type
    kChecksum = 30,
    kEnd = 31
};

// The head byte.
enum MessageType : int { kSsbl = 1, kLbl = 2, kSequence = 3 };

// Status_1 bits.
inline constexpr std::uint8_t kPositionOk = 0x01;
inline constexpr std::uint8_t kFiltered = 0x02;
inline constexpr std::uint8_t kPredicted = 0x04;
inline constexpr std::uint8_t kAdditionalDataOk = 0x08;
inline constexpr std::uint8_t kOptionalDataOk = 0x10;
inline constexpr std::uint8_t kSlave = 0x20;
inline constexpr std::uint8_t kBcdConversionError = 0x40;

// Status_2 bits.
inline constexpr std::uint8_t kTraining = 0x10;
inline constexpr std::uint8_t kMobile = 0x20;
inline constexpr std::uint8_t kUtmGrid = 0x40;

// SSBL transponder types; those from kDepthTp to kCompassTp send sensor
// data in place of the ship's attitude.
enum TpType : int { kStandardTp = 0, kDepthTp = 1, kInclinometerTp = 2, kDiffIncTp = 3, kCompassTp = 4 };

// A signed packed BCD number: where it is, how many bytes it takes and what
// one count of it is worth.
struct CBcdField {
    std::size_t offset;
    std::size_t length;
    double unit = 1.0;

    std::int64_t Count(const CByteView& telegram) const
    {
        return CPackedNumber::SignedBcd(telegram, offset, length);
    }
    double Value(const CByteView& telegram) const { return static_cast<double>(Count(telegram)) * unit; }
    // Whether every nibble is a decimal digit, the minus sign aside: a
    // number as a sender packs it, not one read out of noise.
    bool IsDecimal(const CByteView& telegram) const
    {
        for (std::size_t i = 0; i < length; ++i) {
            const int high = telegram.At(offset + i) >> 4;
            const int low = telegram.At(offset + i) & 0x0F;
            const bool minus = i == 0 && high == 0xD;
            if ((high > 9 && !minus) || low > 9)
                return false;
        }
        return true;
    }
    // The bytes of a value rounded to whole counts, as the sender packs it.
    std::string Bytes(double value) const { return CPackedNumber::ToSignedBcd(std::llround(value / unit), length); }
};

// SSBL: metres and degrees in tenths.
inline constexpr CBcdField kSsblTpIndex{5, 2};
inline constexpr CBcdField kSsblX{7, 3, 0.1};
inline constexpr CBcdField kSsblY{10, 3, 0.1};
inline constexpr CBcdField kSsblZ{13, 3, 0.1};
inline constexpr CBcdField kSsblHeading{16, 2, 0.1};
// The sensor data: the transponder's depth, its roll and pitch, or its
// heading; for other types the ship's roll and pitch.
inline constexpr CBcdField kSensorFirst{18, 3, 0.1};
inline constexpr CBcdField kSensorSecond{21, 3, 0.1};
inline constexpr CBcdField kSensorHeading{18, 2, 0.1};

// LBL: northings and eastings in hundredths of a metre, the update period
// in hundredths of a second.
inline constexpr CBcdField kLblPositionType{kTpInf, 1};
inline constexpr std::size_t kLblArray = 5;  // binary
inline constexpr CBcdField kLblNorthings{6, 5, 0.01};
inline constexpr CBcdField kLblEastings{11, 5, 0.01};
inline constexpr CBcdField kLblDepth{16, 3, 0.1};
inline constexpr CBcdField kLblHeading{19, 2, 0.1};
inline constexpr CBcdField kLblUpdatePeriod{21, 2, 0.01};
inline constexpr std::size_t kLblNotUsed = 23;

// The error ellipse ending both position messages.
inline constexpr CBcdField kEllipseDirection{24, 2, 0.1};
inline constexpr CBcdField kEllipseMajor{26, 2, 0.1};
inline constexpr CBcdField kEllipseMinor{28, 2, 0.1};

// Transponder sequence: the count, then slots 1 to kSlots each holding a
// transponder index, 0 when empty, kShipPosition for the ship's own.
inline constexpr CBcdField kTpCount{2, 1};
inline constexpr int kSlots = 13;
inline constexpr int kShipPosition = 300;
inline constexpr std::size_t kSequenceNotUsed = 29;

constexpr CBcdField Slot(int slot)
{
    return {1 + 2 * static_cast<std::size_t>(slot), 2};
}

// The 7-bit checksum the sender puts in byte kChecksum: the XOR of the
// bytes before it, over their low 7 bits.
inline std::uint8_t Checksum(const CByteView& telegram)
{
    return telegram.Xor(0, kChecksum) & 0x7F;
}

// Bit 7 of the checksum byte carries nothing.
inline bool ChecksumMatches(const CByteView& telegram)
{
    return (telegram.At(kChecksum) & 0x7F) == Checksum(telegram);
}

} // namespace Hpr418BcdLayout
