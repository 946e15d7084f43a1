#include "decoders/NmeaGenerator.h"

#include <cmath>
#include <iterator>

#include "clock/Tickwarden.h"
#include "decoders/NmeaLayout.h"

namespace {

constexpr const char* kBeaconsInTurn[] = {"B01", "B02", "C12"};
constexpr const char* kObjectsInTurn[] = {"T3", "R2", "V"};
constexpr unsigned kInclinometerBeacon = 2;  // C12: the longest $PSIMSSB
constexpr unsigned kSentencesInTurn = std::size(kBeaconsInTurn) + 1;
constexpr double kSecondsPerSentence = 0.5;

std::string TimeOfDay()
{
    SYSTEMTIME now;
    CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(CTickwarden::GetPCMilliSecs(), now);
    return Printed("%02d%02d%02d.%02d", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds / 10);
}

// Each field after a separator; a field is a text or a single letter.
void AddFields(std::string& sentence, const auto&... fields)
{
    ((sentence += NmeaLayout::kSeparator, sentence += fields), ...);
}

std::string Metres(double value)
{
    return Printed("%.2f", value);
}

std::string Degrees(double value)
{
    return Printed("%.1f", value);
}

std::string SsbSentence(unsigned beaconNumber, double seconds)
{
    const char* beacon = kBeaconsInTurn[beaconNumber];
    const double angle = 0.05 * seconds + beaconNumber;
    std::string sentence(NmeaLayout::kSsbAddress);
    // Good fix, no error, Cartesian, ship's head up, measured.
    AddFields(sentence, TimeOfDay(), beacon, 'A', "", 'C', 'H', 'M',
              Metres(30.0 * (beaconNumber + 1) + 8.0 * std::cos(angle)),
              Metres(-20.0 * (beaconNumber + 1) + 8.0 * std::sin(angle)),
              Metres(120.0 + 15.0 * beaconNumber + 0.3 * std::sin(0.2 * seconds)), Metres(0.4 + 0.05 * beaconNumber));
    if (beacon[0] == 'C')
        AddFields(sentence, 'I', Degrees(2.0 * std::sin(0.1 * seconds)), Degrees(-1.5 * std::cos(0.1 * seconds)));
    else
        AddFields(sentence, 'N', "", "");
    return sentence;
}

std::string LbpSentence(unsigned round, double seconds)
{
    const char* object = kObjectsInTurn[round % std::size(kObjectsInTurn)];
    std::string sentence(NmeaLayout::kLbpAddress);
    // Beacon array 1, good fix, UTM with northings first; the error ellipse.
    AddFields(sentence, TimeOfDay(), '1', object, 'A', 'U',
              Metres(6543210.0 + 0.2 * seconds + 5.0 * std::sin(0.05 * seconds)),
              Metres(432109.0 + 0.3 * seconds + 5.0 * std::cos(0.05 * seconds)),
              Metres(object[0] == 'V' ? 4.5 : 310.0 + std::sin(0.1 * seconds)), Metres(0.8), Metres(0.5),
              Degrees(std::fmod(45.0 + seconds, 360.0)), Metres(0.3));
    return sentence;
}

} // namespace

std::vector<CGeneratedKind> CNmeaGenerator::MessageKinds() const
{
    return {{"Ssb", kInclinometerBeacon}, {"Lbp", std::size(kBeaconsInTurn)}};
}

std::string CNmeaGenerator::Next()
{
    const unsigned kind = sequence % kSentencesInTurn;
    const double seconds = sequence * kSecondsPerSentence;
    const unsigned round = sequence / kSentencesInTurn;
    ++sequence;
    std::string sentence = kind < std::size(kBeaconsInTurn) ? SsbSentence(kind, seconds) : LbpSentence(round, seconds);
    const std::string checksum = NmeaLayout::ChecksumText(NmeaLayout::Checksum(sentence));
    sentence += NmeaLayout::kChecksumMark;
    sentence += checksum;
    sentence += NmeaLayout::kLineEnd;
    return sentence;
}
