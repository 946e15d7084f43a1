#include "decoders/Hpr309Generator.h"

#include <cmath>
#include <iterator>

#include "decoders/Hpr309Layout.h"
#include "decoders/PackedNumber.h"

namespace {

using namespace Hpr309Layout;

struct CChannel {
    int number;
    int tpType;       // 0 standard, 2 depth, 5 inclinometer
    double eastings;  // metres from the vessel
    double northings;
    double depth;
};

const CChannel kChannels[] = {
    {1, 0, 35.0, 80.0, 120.0},
    {3, 2, -60.0, 15.0, 240.0},
    {5, 5, 12.5, -45.0, 300.0},
    {8, 0, -20.0, -110.0, 95.0},
};

int AngleCount(double degrees)
{
    return static_cast<int>(std::lround(degrees / kDegreesPerCount)) & (kAngleCounts - 1);
}

int DistanceCount(double metres)
{
    return static_cast<int>(std::lround(metres / kMetresPerCount));
}

int AvailableChannels()
{
    int bits = 0;
    for (const CChannel& channel : kChannels)
        bits |= 1 << (channel.number - 1);
    return bits;
}

} // namespace

std::vector<CGeneratedKind> CHpr309Generator::MessageKinds() const
{
    return {{"Transponder", 0}};
}

std::string CHpr309Generator::Next()
{
    const CChannel& channel = kChannels[sequence % std::size(kChannels)];
    const double t = sequence * 0.5;  // seconds of the simulated run
    ++sequence;

    std::string telegram;
    telegram += static_cast<char>(0x19);  // running, cartesian, north up, filtered
    telegram += CPackedNumber::ToSixBit12(AngleCount(2.5 * std::sin(t * 0.7)));
    telegram += CPackedNumber::ToSixBit12(AngleCount(1.2 * std::sin(t * 0.4)));
    telegram += CPackedNumber::ToSixBit12(AngleCount(std::fmod(45.0 + t * 0.2, 360.0)));
    telegram += static_cast<char>(channel.number);
    telegram += CPackedNumber::ToSixBit16(DistanceCount(channel.eastings + 3.0 * std::sin(t * 0.05)));
    telegram += CPackedNumber::ToSixBit16(DistanceCount(channel.northings + 3.0 * std::cos(t * 0.05)));
    telegram += CPackedNumber::ToSixBit16(DistanceCount(channel.depth + 0.5 * std::sin(t * 0.1)));
    telegram += static_cast<char>(0x00);  // master, inner beam
    telegram += static_cast<char>(0x00);  // all pulses received
    telegram += CPackedNumber::ToSixBit16(AvailableChannels());
    telegram += CPackedNumber::ToSixBit12(AngleCount(std::fmod(200.0 + t * 3.0, 360.0)));
    telegram += static_cast<char>(0x00);  // computer OK
    telegram += static_cast<char>(channel.tpType);
    telegram += static_cast<char>(channel.number == 8 ? 0x01 : 0x00);
    telegram += static_cast<char>(0x05);  // starboard transducer, narrow beam selected, metres
    telegram += static_cast<char>(0x04);  // starboard tracking in auto track, port fixed
    telegram += static_cast<char>(10 + sequence % 5);
    telegram += '\0';  // the check byte, once the end marker is in place
    telegram += static_cast<char>(kEndMarker);
    telegram[kChecksum] = static_cast<char>(CheckByte(CByteView(telegram)));
    return telegram;
}
