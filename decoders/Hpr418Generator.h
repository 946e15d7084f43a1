#pragma once
#include <string>
#include <vector>

#include "decoders/TelegramGenerator.h"

// HPR 418 binary telegrams (HPR 418D, or HPR 418F when variantF is set):
// SSBL replies of an ordinary, a depth, an inclinometer and a differential
// inclinometer transponder, then an LBL position, in turn, for transponder
// indexes 1 to 4 moving slowly around the vessel. Every telegram carries a
// right sum and ends in the stop character.
class CHpr418Generator : public CTelegramGenerator {
public:
    explicit CHpr418Generator(bool variantF);

    std::string Next() override;
    std::vector<CGeneratedKind> MessageKinds() const override;

private:
    std::string Ssbl(int tpIndex, int tpType, double seconds) const;
    std::string Lbl(int tpIndex, double seconds) const;

    bool variantF;
    unsigned sequence = 0;
};
