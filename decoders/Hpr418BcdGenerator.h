#pragma once
#include <string>
#include <vector>

#include "decoders/TelegramGenerator.h"

// HPR 418 BCD telegrams: an SSBL transponder position, an LBL position of
// the vessel or an ROV, and a transponder sequence, in turn. Transponders
// and ROVs change from one round to the next and their positions drift.
// Every telegram starts with 0xDF, ends with 0xFF and carries a right
// 7-bit checksum.
class CHpr418BcdGenerator : public CTelegramGenerator {
public:
    std::string Next() override;
    std::vector<CGeneratedKind> MessageKinds() const override;

private:
    std::string Ssbl(unsigned round, double seconds) const;
    std::string Lbl(unsigned round, double seconds) const;
    std::string Sequence(unsigned round) const;

    unsigned sequence = 0;
};
