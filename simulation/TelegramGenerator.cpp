#include "simulation/TelegramGenerator.h"

#include "decoders/DecoderFactory.h"
#include "simulation/Hpr309Generator.h"
#include "simulation/Hpr418BcdGenerator.h"
#include "simulation/Hpr418Generator.h"
#include "simulation/NmeaGenerator.h"
#include "simulation/ZaqAsciiGenerator.h"

std::unique_ptr<CTelegramGenerator> CTelegramGenerator::Create(int typeCode)
{
    switch (typeCode) {
    case kTypeHpr309:
        return std::make_unique<CHpr309Generator>();
    case kTypeHpr418Bcd:
        return std::make_unique<CHpr418BcdGenerator>();
    case kTypeHpr418D:
        return std::make_unique<CHpr418Generator>(false);
    case kTypeHpr418F:
        return std::make_unique<CHpr418Generator>(true);
    case kTypeZaqAscii:
        return std::make_unique<CZaqAsciiGenerator>();
    case kTypeNmea:
        return std::make_unique<CNmeaGenerator>();
    default:
        return nullptr;
    }
}
