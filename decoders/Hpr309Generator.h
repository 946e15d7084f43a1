#pragma once
#include <string>
#include <vector>

#include "decoders/TelegramGenerator.h"

// HPR 309 transponder telegrams for four channels in turn, cartesian and
// north up, with the vessel rolling gently, turning slowly, and the
// transponders drifting around it. Every telegram carries a right check
// byte and the end marker.
class CHpr309Generator : public CTelegramGenerator {
public:
    std::string Next() override;
    std::vector<CGeneratedKind> MessageKinds() const override;

private:
    unsigned sequence = 0;
};
