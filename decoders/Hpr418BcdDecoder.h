#pragma once
#include "decoders/FormatDecoder.h"

// The HPR 418 BCD telegram: 32 bytes whose numbers are signed packed BCD,
// most significant digit first (a first nibble of 0xD is the minus sign).
// The head byte chooses one of three messages.
//
//  offset  SSBL (1)               LBL (2, and 4)            sequence (3)
//   0      0xDF start             0xDF start                0xDF start
//   1      message type           message type              message type
//   2      Status_1               Status_1                  number of TPs (BCD)
//   3      Status_2               Status_2                  slot 1  (3-4)
//   4      TP type (binary)       position type             slot 2  (5-6) ...
//   5-6    TP index               5: array, 6-10: X (N)     ... slot n at 1 + 2n
//   7-15   X, Y, Z  x 0.1 m       11-15: Y (E), 16-18: Z
//  16-17   heading  x 0.1 deg     19-20: heading, 21-22:    ... slot 13 (27-28)
//  18-23   TP sensor data or        update period x 0.01 s
//          ship's roll, pitch     23: not used
//  24-29   error ellipse: direction, major, minor  x 0.1    29: not used
//  30      checksum: low 7 bits = XOR of bytes 0-29 over their low 7 bits
//  31      0xFF end
class CHpr418BcdDecoder : public CFormatDecoder {
public:
    static constexpr std::size_t kLength = 32;
    static constexpr std::uint8_t kStartByte = 0xDF;
    static constexpr std::uint8_t kEndByte = 0xFF;

    CHpr418BcdDecoder();

    TelegramStatus Validate(const CByteView& telegram) override;
    void WriteCsvHeader() override;

    // The 7-bit checksum the sender puts in byte 30 for bytes 0 to 29.
    static std::uint8_t CalculatedChecksum(const CByteView& telegram);

protected:
    void DecodeFields(const CByteView& telegram, CTelegramIndex& index) override;
    void WriteCsvColumns(const CByteView& telegram, TelegramStatus status) override;

private:
    void WriteStatus1Line(const CByteView& telegram, int messageType);
    void WriteStatus2Line(const CByteView& telegram, int messageType);
    void WriteSsblLines(const CByteView& telegram, CTelegramIndex& index);
    void WriteSensorLines(const CByteView& telegram);
    void WriteLblLines(const CByteView& telegram, CTelegramIndex& index);
    void WriteSequenceLines(const CByteView& telegram);
    void WriteEllipseLines(const CByteView& telegram);
};
