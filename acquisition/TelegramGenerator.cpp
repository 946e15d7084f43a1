#include "acquisition/TelegramGenerator.h"

#include "decoders/DecoderFactory.h"

std::unique_ptr<CTelegramGenerator> CTelegramGenerator::Create(int typeCode)
{
    switch (typeCode) {
    default:
        return nullptr;
    }
}
