#pragma once
#include <string>
#include <vector>

#include "decoders/TelegramGenerator.h"

// ZAQ ASCII telegrams stamped with the clock's date and time: beacon
// positions for beacons 1, 4 and 12 (beacon 12 with riser angles), then the
// ship's own position (B:0), in turn. Beacons circle their own spots, the
// ship drifts slowly, and the attitude rolls and pitches gently.
class CZaqAsciiGenerator : public CTelegramGenerator {
public:
    std::string Next() override;
    std::vector<CGeneratedKind> MessageKinds() const override;

private:
    unsigned sequence = 0;
};
