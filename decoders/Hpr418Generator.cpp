#include "decoders/Hpr418Generator.h"

#include <cmath>

#include "decoders/Hpr418Layout.h"

namespace {

using namespace Hpr418Layout;

// The receiver shows the start character without checking it; this is the one we send.
constexpr int kStartChar = 0x55;
constexpr int kDestination = 1;
constexpr int kTranspondersInTurn = 4;
constexpr int kMessageKinds = 5;  // SSBL with tp_type 0 to 3, then LBL
constexpr int kLblKind = 4;
constexpr unsigned kInclinometerSsblKind = 2;  // among the longest SSBL replies
constexpr double kSecondsPerTelegram = 0.5;

// One telegram being written: the header first, the section field by
// field, then the block length, the sum and the stop character.
class CHpr418Telegram {
public:
    explicit CHpr418Telegram(int messageType)
    {
        Byte(kStartChar);
        Word(0);  // block length, known once the section is written
        Byte(messageType);
        Byte(kDestination);
    }

    void Byte(int value) { bytes += static_cast<char>(value & 0xFF); }
    void Word(unsigned value) { AppendLittleEndian(bytes, value, 2); }
    void Float(float value) { AppendFloat(bytes, value); }
    void Double(double value) { AppendDouble(bytes, value); }
    void Zeros(std::size_t count) { bytes.append(count, '\0'); }

    std::string Sealed()
    {
        const std::size_t blockLength = bytes.size() - kHeaderSize;
        bytes[kBlockLengthAt] = static_cast<char>(blockLength & 0xFF);
        bytes[kBlockLengthAt + 1] = static_cast<char>(blockLength >> 8);
        Word(Sum(CByteView(bytes), bytes.size()));
        Byte(kStopChar);
        return bytes;
    }

private:
    std::string bytes;
};

// Where a transponder is relative to the vessel: each index circles its own spot.
struct CPosition {
    double x, y, z;
};

CPosition TransponderPosition(int tpIndex, double seconds)
{
    const double angle = 0.02 * seconds + tpIndex;
    return {120.0 * tpIndex + 15.0 * std::cos(angle), -80.0 * tpIndex + 15.0 * std::sin(angle),
            60.0 + 25.0 * tpIndex + 0.5 * std::sin(0.1 * seconds)};
}

struct CAttitude {
    float course, roll, pitch;
};

CAttitude VesselAttitude(double seconds)
{
    return {static_cast<float>(45.0 + 2.0 * std::sin(0.01 * seconds)),
            static_cast<float>(1.5 * std::sin(0.3 * seconds)),
            static_cast<float>(0.8 * std::cos(0.25 * seconds))};
}

} // namespace

CHpr418Generator::CHpr418Generator(bool isVariantF) : variantF(isVariantF) {}

std::vector<CGeneratedKind> CHpr418Generator::MessageKinds() const
{
    return {{"Ssbl", kInclinometerSsblKind}, {"Lbl", kLblKind}};
}

std::string CHpr418Generator::Next()
{
    const int kind = static_cast<int>(sequence % kMessageKinds);
    const int tpIndex = 1 + static_cast<int>(sequence % kTranspondersInTurn);
    const double seconds = kSecondsPerTelegram * sequence;
    ++sequence;
    return kind < kLblKind ? Ssbl(tpIndex, kind, seconds) : Lbl(tpIndex, seconds);
}

std::string CHpr418Generator::Ssbl(int tpIndex, int tpType, double seconds) const
{
    static const int kOperationOfType[] = {0, 2, 1, 1};  // fixed, fixed depth, mobile, mobile
    const CPosition at = TransponderPosition(tpIndex, seconds);
    const CAttitude vessel = VesselAttitude(seconds);
    CHpr418Telegram telegram(kSsblMessage);
    telegram.Word(static_cast<unsigned>(tpIndex));
    telegram.Byte(0);  // standard navigation
    telegram.Byte(0);  // no synchronisation
    telegram.Byte(tpType);
    telegram.Byte(kOperationOfType[tpType]);
    telegram.Byte(1);  // north oriented
    telegram.Byte(0);  // position reply good
    for (const double filtered : {at.x - 0.2, at.y + 0.1, at.z})
        telegram.Float(static_cast<float>(filtered));
    for (const double measured : {at.x, at.y, at.z})
        telegram.Float(static_cast<float>(measured));
    telegram.Float(static_cast<float>(std::sqrt(at.x * at.x + at.y * at.y + at.z * at.z)));
    telegram.Float(vessel.course);
    telegram.Float(vessel.roll);
    telegram.Float(vessel.pitch);
    telegram.Byte(0);  // wide beam
    telegram.Byte(0);  // wide beam only
    telegram.Word(1);  // transducer 1
    telegram.Word(0);  // no errors
    telegram.Float(static_cast<float>(0.4 + 0.05 * tpIndex));
    if (tpType == kDepthTransponder) {
        telegram.Float(static_cast<float>(at.z));
    } else if (HasInclinometer(tpType)) {
        telegram.Float(static_cast<float>(3.0 * std::sin(0.05 * seconds + tpIndex)));
        telegram.Float(static_cast<float>(2.0 * std::cos(0.04 * seconds + tpIndex)));
    }
    return telegram.Sealed();
}

std::string CHpr418Generator::Lbl(int tpIndex, double seconds) const
{
    const CPosition at = TransponderPosition(tpIndex, seconds);
    const CAttitude vessel = VesselAttitude(seconds);
    const double east = 512300.0 + at.x;
    const double north = 6712450.0 + at.y;
    CHpr418Telegram telegram(kLblMessage);
    if (variantF)
        telegram.Zeros(kLblFArrayAndTransducer - kHeaderSize);
    telegram.Byte(1);  // transponder array
    telegram.Byte(1);  // transducer 1
    if (variantF) {
        telegram.Double(east);
        telegram.Double(north);
    } else {
        telegram.Float(static_cast<float>(east));
        telegram.Float(static_cast<float>(north));
    }
    telegram.Float(static_cast<float>(at.z));
    telegram.Float(static_cast<float>(std::fmod(30.0 + seconds, 360.0)));  // error ellipse direction
    telegram.Float(0.6f);
    telegram.Float(0.3f);
    telegram.Float(0.25f);
    telegram.Byte(tpIndex - 1);  // the vessel, then ROVs 1 to 3
    telegram.Byte(0);            // position good
    telegram.Float(vessel.course);
    telegram.Float(vessel.roll);
    telegram.Float(vessel.pitch);
    telegram.Word(0);  // no errors
    return telegram.Sealed();
}
