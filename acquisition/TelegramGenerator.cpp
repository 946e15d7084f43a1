#include "acquisition/TelegramGenerator.h"

#include "acquisition/Hpr309Generator.h"
#include "acquisition/Hpr418BcdGenerator.h"
#include "acquisition/Hpr418Generator.h"
#include "acquisition/NmeaGenerator.h"
#include "acquisition/ZaqAsciiGenerator.h"
#include "decoders/DecoderFactory.h"

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
