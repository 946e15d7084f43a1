#pragma once
#include "decoders/FormatDecoder.h"
#include "decoders/Hpr418BcdLayout.h"

// The HPR 418 BCD telegram: 32 bytes whose numbers are signed packed BCD,
// most significant digit first (a first nibble of 0xD is the minus sign).
// The head byte chooses one of three messages.
//
//  offset  all messages
//   0      start, 0xDF
//   1      head byte: 1 SSBL, 2 LBL (4 is shown as LBL too), 3 sequence
//  30      checksum: its low 7 bits are the XOR of bytes 0-29 over their low 7 bits
//  31      end, 0xFF
//
//  SSBL (1)                                 LBL (2, 4)
//   2      Status_1                          2      Status_1
//   3      Status_2                          3      Status_2
//   4      transponder type (binary)         4      position type: vessel, ROV, relay
//   5-6    transponder index                 5      transponder array (binary)
//   7-9    X athwartships, x 0.1 m           6-10   X northings, x 0.01 m
//  10-12   Y alongships, x 0.1 m            11-15   Y eastings, x 0.01 m
//  13-15   Z depth, x 0.1 m                 16-18   Z depth, x 0.1 m
//  16-17   heading, x 0.1 deg               19-20   heading, x 0.1 deg
//  18-23   sensor data, or roll and pitch   21-22   update period, x 0.01 s
//  24-29   error ellipse                    23      not used
//                                           24-29   error ellipse
//  The error ellipse: direction, major and minor axis, 2 bytes each, x 0.1.
//
//  offset  transponder sequence (3)
//   2      number of transponders
//   3      13 slots of 2 bytes, slot n at 1 + 2n: transponder index, 0 empty, 300 the ship
//  29      not used
class CHpr418BcdDecoder : public CFormatDecoder {
public:
    static constexpr std::size_t kLength = Hpr418BcdLayout::kLength;

    CHpr418BcdDecoder();

    TelegramStatus Validate(const CByteView& telegram) override;
    void WriteCsvHeader() override;

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
