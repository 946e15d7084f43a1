#pragma once
#include <string>
#include <vector>

#include "decoders/TelegramGenerator.h"

// NMEA SSB/LBP sentences stamped with the clock's time of day: $PSIMSSB for
// beacons B01, B02 and C12 (C12 with inclinometer angles), then a $PSIMLBP
// position of beacon T3, ROV R2 or the vessel, in turn. Each sentence ends
// in a right "*hh" checksum and CR LF.
class CNmeaGenerator : public CTelegramGenerator {
public:
    std::string Next() override;
    std::vector<CGeneratedKind> MessageKinds() const override;

private:
    unsigned sequence = 0;
};
