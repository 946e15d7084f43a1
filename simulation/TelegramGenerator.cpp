#include "simulation/TelegramGenerator.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "decoders/FormatTable.h"
#include "simulation/Hpr309Generator.h"
#include "simulation/Hpr418BcdGenerator.h"
#include "simulation/Hpr418Generator.h"
#include "simulation/NmeaGenerator.h"
#include "simulation/ZaqAsciiGenerator.h"

namespace {

template <class Generator, auto... arguments>
std::unique_ptr<CTelegramGenerator> Make()
{
    return std::make_unique<Generator>(arguments...);
}

// The generator of each format of the table of formats, by its type code.
struct CGeneratorEntry {
    int code;
    std::unique_ptr<CTelegramGenerator> (*make)();
};

const CGeneratorEntry kGenerators[] = {
    {kTypeHpr418D, &Make<CHpr418Generator, false>},
    {kTypeHpr418F, &Make<CHpr418Generator, true>},
    {kTypeHpr309, &Make<CHpr309Generator>},
    {kTypeZaqAscii, &Make<CZaqAsciiGenerator>},
    {kTypeHpr418Bcd, &Make<CHpr418BcdGenerator>},
    {kTypeNmea, &Make<CNmeaGenerator>},
};

} // namespace

std::unique_ptr<CTelegramGenerator> CTelegramGenerator::Create(int typeCode)
{
    for (const CGeneratorEntry& generator : kGenerators)
        if (generator.code == typeCode)
            return generator.make();
    return nullptr;
}

std::string Printed(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return length > 0 ? std::string(text, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof text - 1))
                      : std::string();
}
