#include "simulation/NmeaGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

#include "clock/Tickwarden.h"

namespace {

constexpr const char* kBeaconsInTurn[] = {"B01", "B02", "C12"};
constexpr const char* kObjectsInTurn[] = {"T3", "R2", "V"};
constexpr unsigned kSentencesInTurn = std::size(kBeaconsInTurn) + 1;
constexpr double kSecondsPerSentence = 0.5;

std::string Printed(const char* format, auto... args)
{
    char text[256];
    const int length = std::snprintf(text, sizeof text, format, args...);
    return length > 0 ? std::string(text, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof text - 1))
                      : std::string();
}

std::string TimeOfDay()
{
    SYSTEMTIME now;
    CTickwarden::AdjustedPCMilliSecsToSYSTEMTIME(CTickwarden::GetPCMilliSecs(), now);
    return Printed("%02d%02d%02d.%02d", now.wHour, now.wMinute, now.wSecond, now.wMilliseconds / 10);
}

std::string SsbBody(unsigned beaconNumber, double seconds)
{
    const char* beacon = kBeaconsInTurn[beaconNumber];
    const double angle = 0.05 * seconds + beaconNumber;
    std::string body = Printed("$PSIMSSB,%s,%s,A,,C,H,M,%.2f,%.2f,%.2f,%.2f,", TimeOfDay().c_str(), beacon,
                               30.0 * (beaconNumber + 1) + 8.0 * std::cos(angle),
                               -20.0 * (beaconNumber + 1) + 8.0 * std::sin(angle),
                               120.0 + 15.0 * beaconNumber + 0.3 * std::sin(0.2 * seconds),
                               0.4 + 0.05 * beaconNumber);
    if (beacon[0] == 'C')
        body += Printed("I,%.1f,%.1f", 2.0 * std::sin(0.1 * seconds), -1.5 * std::cos(0.1 * seconds));
    else
        body += "N,,";
    return body;
}

std::string LbpBody(unsigned round, double seconds)
{
    const char* object = kObjectsInTurn[round % std::size(kObjectsInTurn)];
    return Printed("$PSIMLBP,%s,1,%s,A,U,%.2f,%.2f,%.2f,%.2f,%.2f,%.1f,%.2f", TimeOfDay().c_str(), object,
                   6543210.0 + 0.2 * seconds + 5.0 * std::sin(0.05 * seconds),
                   432109.0 + 0.3 * seconds + 5.0 * std::cos(0.05 * seconds),
                   object[0] == 'V' ? 4.5 : 310.0 + std::sin(0.1 * seconds), 0.8, 0.5,
                   std::fmod(45.0 + seconds, 360.0), 0.3);
}

} // namespace

std::string CNmeaGenerator::Next()
{
    const unsigned kind = sequence % kSentencesInTurn;
    const double seconds = sequence * kSecondsPerSentence;
    const unsigned round = sequence / kSentencesInTurn;
    ++sequence;
    std::string sentence = kind < std::size(kBeaconsInTurn) ? SsbBody(kind, seconds) : LbpBody(round, seconds);
    unsigned checksum = 0;
    for (std::size_t i = 1; i < sentence.size(); ++i)
        checksum ^= static_cast<unsigned char>(sentence[i]);
    return sentence + Printed("*%02X\r\n", checksum);
}
