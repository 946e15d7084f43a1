#pragma once
#include "decoders/FormatDecoder.h"
#include "decoders/Hpr309Layout.h"

// The HPR 309 transponder telegram: 32 bytes, one transponder's position
// relative to the vessel, the vessel's attitude and the transducers' state.
// Packed values use only the low 6 bits of each byte.
//
//  offset  len  label          content
//   0       1   Header         flags: running, test, polar, north up, filtered, spare ref.
//   1       2   Roll           12-bit signed angle (ship's, or the transponder's)
//   3       2   Pitch          12-bit signed angle
//   5       2   Course         12-bit angle
//   7       1   Tp_index       transponder channel number
//   8       3   X_pos/rng      16-bit signed distance (range when polar)
//  11       3   Y_pos/brg      16-bit signed distance; polar: 12-bit bearing from 11-12
//  14       3   Z_pos/depth    16-bit signed distance
//  17       1   Status         flags: no response, slave, outer beam, bad angles
//  18       1   Timeout        bits 0-2: pulse(s) missing
//  19       3   Tp_sequence    16-bit set: bit n-1 = telegram available for channel n
//  22       2   Td_angle       12-bit angle of the tracking head
//  24       1   Test           bits 0-3: computer fault
//  25       1   Tp_type        transponder type code
//  26       1   Tp_spec        bit 0: mobile
//  27       1   Transducers    stbd, port, beam selected, beam used, feet
//  28       1   Td_status      tracking and mode of each transducer
//  29       1   Q_factor       Kalman filter window limit
//  30       1   Checksum       makes the XOR of all 32 bytes 0x40
//  31       1   End_of_tg      end marker
//
// Angles count 0.0878906 degrees; distances 0.125 m, or 0.4101 ft when the
// Transducers byte says feet.
class CHpr309Decoder : public CFormatDecoder {
public:
    static constexpr std::size_t kLength = Hpr309Layout::kLength;

    CHpr309Decoder();

    void Decode(const std::string& raw, CReportBuilder& builder, double& receiveTime,
                CTelegramIndex& index) override;
    // A telegram that fails the check byte is dumped in hex into the report
    // of the decode in progress; outside a decode nothing is written.
    TelegramStatus Validate(const CByteView& telegram) override;
    void WriteCsvHeader() override;

protected:
    void DecodeFields(const CByteView& telegram, CTelegramIndex& index) override;
    void WriteCsvColumns(const CByteView& telegram, TelegramStatus status) override;

private:
    struct Values;  // the scaled values the report and the CSV row share

    void WriteHeaderLines(const CByteView& telegram);
    void WriteAttitudeLines(const CByteView& telegram, const Values& values);
    void WritePositionLines(const CByteView& telegram, const Values& values);
    void RecordPosition(const CByteView& telegram, const Values& values);
    void WriteStatusLines(const CByteView& telegram);
    void WriteSequenceLine(const CByteView& telegram, const Values& values);
    void WriteTransducerLines(const CByteView& telegram, const Values& values);
};
