#include "decoders/Hpr418BcdGenerator.h"

#include <cmath>
#include <iterator>

#include "decoders/Hpr418BcdLayout.h"

namespace {

using namespace Hpr418BcdLayout;

struct CTransponder {
    int index;
    TpType tpType;  // standard, depth or inclinometer
    double x;       // metres, starboard positive
    double y;       // metres, forward positive
    double z;
};

const CTransponder kTransponders[] = {
    {12, kStandardTp, 25.0, 60.0, 110.0},
    {27, kDepthTp, -40.0, 10.0, 230.0},
    {103, kInclinometerTp, 5.0, -75.0, 180.0},
};

// A telegram of the message type, every other byte 0 until it is set.
std::string Blank(MessageType messageType)
{
    std::string telegram(kLength, '\0');
    telegram[kStart] = static_cast<char>(kStartByte);
    telegram[kHeadByte] = static_cast<char>(messageType);
    return telegram;
}

void Put(std::string& telegram, std::size_t offset, int byte)
{
    telegram[offset] = static_cast<char>(byte);
}

void Put(std::string& telegram, const CBcdField& field, double value)
{
    telegram.replace(field.offset, field.length, field.Bytes(value));
}

// The checksum over everything before it, and the end byte.
std::string Sealed(std::string telegram)
{
    Put(telegram, kChecksum, Checksum(CByteView(telegram)));
    Put(telegram, kEnd, kEndByte);
    return telegram;
}

// The messages of one round, in the order they are sent.
enum RoundMessage : unsigned { kSsblMessage, kLblMessage, kSequenceMessage, kMessagesInRound };

} // namespace

std::vector<CGeneratedKind> CHpr418BcdGenerator::MessageKinds() const
{
    return {{"Ssbl", kSsblMessage}, {"Lbl", kLblMessage}, {"Sequence", kSequenceMessage}};
}

std::string CHpr418BcdGenerator::Next()
{
    const unsigned round = sequence / kMessagesInRound;
    const double seconds = sequence * 0.5;
    const unsigned message = sequence % kMessagesInRound;
    ++sequence;
    if (message == kSsblMessage)
        return Ssbl(round, seconds);
    if (message == kLblMessage)
        return Lbl(round, seconds);
    return Sequence(round);
}

std::string CHpr418BcdGenerator::Ssbl(unsigned round, double seconds) const
{
    const CTransponder& tp = kTransponders[round % std::size(kTransponders)];
    const bool sensor = tp.tpType != kStandardTp;
    std::string telegram = Blank(kSsbl);
    Put(telegram, kStatus1, kPositionOk | kFiltered | (sensor ? kAdditionalDataOk : 0));
    Put(telegram, kStatus2, 0x05);  // transducer 2, transceiver 2, fixed
    Put(telegram, kTpInf, tp.tpType);
    Put(telegram, kSsblTpIndex, tp.index);
    Put(telegram, kSsblX, tp.x + 2.0 * std::sin(seconds * 0.05));
    Put(telegram, kSsblY, tp.y + 2.0 * std::cos(seconds * 0.05));
    Put(telegram, kSsblZ, tp.z + 0.3 * std::sin(seconds * 0.1));
    Put(telegram, kSsblHeading, std::fmod(120.0 + seconds * 0.1, 360.0));
    if (tp.tpType == kDepthTp) {
        Put(telegram, kSensorFirst, tp.z - 0.4);  // the second field stays 0
    } else {
        // The transponder's tilt, or the ship's roll and pitch.
        Put(telegram, kSensorFirst, 3.0 * std::sin(seconds * 0.6));
        Put(telegram, kSensorSecond, 1.5 * std::sin(seconds * 0.3));
    }
    Put(telegram, kEllipseDirection, std::fmod(30.0 + seconds, 360.0));
    Put(telegram, kEllipseMajor, 1.8);
    Put(telegram, kEllipseMinor, 0.9);
    return Sealed(telegram);
}

std::string CHpr418BcdGenerator::Lbl(unsigned round, double seconds) const
{
    // The vessel, then ROV 5, then relay 2 (position type 18), each in its
    // own place of the grid.
    static const int kPositionTypes[] = {0, 5, 18};
    const unsigned which = round % std::size(kPositionTypes);
    const int positionType = kPositionTypes[which];
    const double offset = 30.0 * which;
    std::string telegram = Blank(kLbl);
    Put(telegram, kStatus1, kPositionOk);
    Put(telegram, kStatus2, kUtmGrid);  // UTM grid, transducer 1, transceiver 1
    Put(telegram, kLblPositionType, positionType);
    Put(telegram, kLblArray, 1);
    Put(telegram, kLblNorthings, 6543210.12 - offset + 0.5 * std::sin(seconds * 0.02 + which));
    Put(telegram, kLblEastings, 432109.87 + offset + 0.5 * std::cos(seconds * 0.02 + which));
    Put(telegram, kLblDepth, positionType == 0 ? 0.0 : 850.0 + std::sin(seconds * 0.1));
    Put(telegram, kLblHeading, std::fmod(120.0 + seconds * 0.1, 360.0));
    Put(telegram, kLblUpdatePeriod, 1.5);
    Put(telegram, kEllipseDirection, std::fmod(75.0 + seconds, 360.0));
    Put(telegram, kEllipseMajor, 0.6);
    Put(telegram, kEllipseMinor, 0.4);
    return Sealed(telegram);
}

std::string CHpr418BcdGenerator::Sequence(unsigned round) const
{
    // Every transponder, with the ship's position among them, rotated by one each round.
    static const int kIndexes[] = {12, 27, kShipPosition, 103};
    const std::size_t count = std::size(kIndexes);
    std::string telegram = Blank(kSequence);
    Put(telegram, kTpCount, static_cast<double>(count));
    // The slots after them stay empty.
    for (std::size_t slot = 0; slot < count; ++slot)
        Put(telegram, Slot(static_cast<int>(slot) + 1), kIndexes[(slot + round) % count]);
    return Sealed(telegram);
}
