#include "simulation/Hpr418BcdGenerator.h"

#include <cmath>
#include <iterator>

#include "decoders/Hpr418BcdDecoder.h"
#include "decoders/PackedNumber.h"

namespace {

// A value scaled to whole tenths or hundredths, as BCD of length bytes.
std::string Scaled(double value, double unit, std::size_t length)
{
    return CPackedNumber::ToSignedBcd(std::llround(value / unit), length);
}

struct CTransponder {
    int index;
    int tpType;  // 0 standard, 1 depth, 2 inclinometer
    double x;    // metres, starboard positive
    double y;    // metres, forward positive
    double z;
};

const CTransponder kTransponders[] = {
    {12, 0, 25.0, 60.0, 110.0},
    {27, 1, -40.0, 10.0, 230.0},
    {103, 2, 5.0, -75.0, 180.0},
};

} // namespace

std::string CHpr418BcdGenerator::Next()
{
    const unsigned round = sequence / 3;
    const double seconds = sequence * 0.5;
    const unsigned message = sequence % 3;
    ++sequence;
    if (message == 0)
        return Ssbl(round, seconds);
    if (message == 1)
        return Lbl(round, seconds);
    return Sequence(round);
}

std::string CHpr418BcdGenerator::Ssbl(unsigned round, double seconds) const
{
    const CTransponder& tp = kTransponders[round % std::size(kTransponders)];
    const bool sensor = tp.tpType != 0;
    std::string body;
    body += static_cast<char>(1);
    body += static_cast<char>(0x03 | (sensor ? 0x08 : 0x00));  // position OK, filtered
    body += static_cast<char>(0x05);                          // transducer 2, transceiver 2, fixed
    body += static_cast<char>(tp.tpType);
    body += CPackedNumber::ToSignedBcd(tp.index, 2);
    body += Scaled(tp.x + 2.0 * std::sin(seconds * 0.05), 0.1, 3);
    body += Scaled(tp.y + 2.0 * std::cos(seconds * 0.05), 0.1, 3);
    body += Scaled(tp.z + 0.3 * std::sin(seconds * 0.1), 0.1, 3);
    body += Scaled(std::fmod(120.0 + seconds * 0.1, 360.0), 0.1, 2);
    if (tp.tpType == 1) {
        body += Scaled(tp.z - 0.4, 0.1, 3);
        body += CPackedNumber::ToSignedBcd(0, 3);
    } else {
        // The transponder's tilt, or the ship's roll and pitch.
        body += Scaled(3.0 * std::sin(seconds * 0.6), 0.1, 3);
        body += Scaled(1.5 * std::sin(seconds * 0.3), 0.1, 3);
    }
    body += Scaled(std::fmod(30.0 + seconds, 360.0), 0.1, 2);
    body += Scaled(1.8, 0.1, 2);
    body += Scaled(0.9, 0.1, 2);
    return Frame(body);
}

std::string CHpr418BcdGenerator::Lbl(unsigned round, double seconds) const
{
    // The vessel, then ROV 5, then relay 2 (position type 18).
    static const int kPositionTypes[] = {0, 5, 18};
    const int positionType = kPositionTypes[round % std::size(kPositionTypes)];
    std::string body;
    body += static_cast<char>(2);
    body += static_cast<char>(0x01);  // position OK
    body += static_cast<char>(0x40);  // UTM grid, transducer 1, transceiver 1
    body += CPackedNumber::ToSignedBcd(positionType, 1);
    body += static_cast<char>(1);  // array 1
    body += Scaled(6543210.12 + 0.5 * std::sin(seconds * 0.02), 0.01, 5);
    body += Scaled(432109.87 + 0.5 * std::cos(seconds * 0.02), 0.01, 5);
    body += Scaled(positionType == 0 ? 0.0 : 850.0 + std::sin(seconds * 0.1), 0.1, 3);
    body += Scaled(std::fmod(120.0 + seconds * 0.1, 360.0), 0.1, 2);
    body += Scaled(1.5, 0.01, 2);
    body += static_cast<char>(0);
    body += Scaled(std::fmod(75.0 + seconds, 360.0), 0.1, 2);
    body += Scaled(0.6, 0.1, 2);
    body += Scaled(0.4, 0.1, 2);
    return Frame(body);
}

std::string CHpr418BcdGenerator::Sequence(unsigned round) const
{
    // Every transponder, with the ship's position among them, rotated by one each round.
    static const int kIndexes[] = {12, 27, 300, 103};
    const std::size_t count = std::size(kIndexes);
    std::string body;
    body += static_cast<char>(3);
    body += CPackedNumber::ToSignedBcd(static_cast<std::int64_t>(count), 1);
    for (std::size_t slot = 0; slot < 13; ++slot) {
        const int tpIndex = slot < count ? kIndexes[(slot + round) % count] : 0;
        body += CPackedNumber::ToSignedBcd(tpIndex, 2);
    }
    body += static_cast<char>(0);
    return Frame(body);
}

// Start byte, the message, the checksum over both, and the end byte.
std::string CHpr418BcdGenerator::Frame(const std::string& body)
{
    std::string telegram(1, static_cast<char>(CHpr418BcdDecoder::kStartByte));
    telegram += body;
    telegram.resize(CHpr418BcdDecoder::kLength - 2, '\0');
    telegram += static_cast<char>(CHpr418BcdDecoder::CalculatedChecksum(CByteView(telegram)));
    telegram += static_cast<char>(CHpr418BcdDecoder::kEndByte);
    return telegram;
}
