#include "decoders/TelegramGenerator.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "decoders/FormatTable.h"

std::unique_ptr<CTelegramGenerator> CTelegramGenerator::Create(int typeCode)
{
    const CFormatEntry* format = CFormatTable::Find(typeCode);
    return format ? format->makeGenerator() : nullptr;
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
