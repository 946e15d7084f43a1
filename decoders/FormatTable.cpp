#include "decoders/FormatTable.h"

#include <algorithm>
#include <vector>

#include "decoders/Hpr309Decoder.h"
#include "decoders/Hpr309Framer.h"
#include "decoders/Hpr309Generator.h"
#include "decoders/Hpr418BcdDecoder.h"
#include "decoders/Hpr418BcdFramer.h"
#include "decoders/Hpr418BcdGenerator.h"
#include "decoders/Hpr418Decoder.h"
#include "decoders/Hpr418Framer.h"
#include "decoders/Hpr418Generator.h"
#include "decoders/NmeaDecoder.h"
#include "decoders/NmeaFramer.h"
#include "decoders/NmeaGenerator.h"
#include "decoders/ZaqAsciiDecoder.h"
#include "decoders/ZaqAsciiFramer.h"
#include "decoders/ZaqAsciiGenerator.h"

namespace {

template <class Base, class Made, auto... arguments>
std::unique_ptr<Base> Make()
{
    return std::make_unique<Made>(arguments...);
}

template <class Decoder, auto... arguments>
constexpr auto kDecoder = &Make<CFormatDecoder, Decoder, arguments...>;
template <class Generator, auto... arguments>
constexpr auto kGenerator = &Make<CTelegramGenerator, Generator, arguments...>;
template <class Framer, auto... arguments>
constexpr auto kFramer = &Make<CTelegramFramer, Framer, arguments...>;

const CFormatEntry kFormats[] = {
    {.code = kTypeHpr418D, .name = "HPR 418D", .key = "hpr418d", .listedInSettings = true, .lineBased = false,
     .makeDecoder = kDecoder<CHpr418Decoder, false>, .makeGenerator = kGenerator<CHpr418Generator, false>,
     .makeFramer = kFramer<CHpr418Framer, false>},
    {.code = kTypeHpr418F, .name = "HPR 418F", .key = "hpr418f", .listedInSettings = true, .lineBased = false,
     .makeDecoder = kDecoder<CHpr418Decoder, true>, .makeGenerator = kGenerator<CHpr418Generator, true>,
     .makeFramer = kFramer<CHpr418Framer, true>},
    {.code = kTypeHpr309, .name = "HPR 309", .key = "hpr309", .listedInSettings = true, .lineBased = false,
     .makeDecoder = kDecoder<CHpr309Decoder>, .makeGenerator = kGenerator<CHpr309Generator>,
     .makeFramer = kFramer<CHpr309Framer>},
    {.code = kTypeZaqAscii, .name = "ZAQ ASCII", .key = "zaq", .listedInSettings = true, .lineBased = true,
     .makeDecoder = kDecoder<CZaqAsciiDecoder>, .makeGenerator = kGenerator<CZaqAsciiGenerator>,
     .makeFramer = kFramer<CZaqAsciiFramer>},
    {.code = kTypeHpr418Bcd, .name = "HPR 418 BCD", .key = "hpr418bcd", .listedInSettings = true, .lineBased = false,
     .makeDecoder = kDecoder<CHpr418BcdDecoder>, .makeGenerator = kGenerator<CHpr418BcdGenerator>,
     .makeFramer = kFramer<CHpr418BcdFramer>},
    {.code = kTypeNmea, .name = "NMEA SSB/LBP", .key = "nmea", .listedInSettings = true, .lineBased = true,
     .makeDecoder = kDecoder<CNmeaDecoder>, .makeGenerator = kGenerator<CNmeaGenerator>,
     .makeFramer = kFramer<CNmeaFramer>},
};

} // namespace

std::span<const CFormatEntry> CFormatTable::Formats()
{
    return kFormats;
}

const CFormatEntry* CFormatTable::Find(int typeCode)
{
    for (const CFormatEntry& format : kFormats)
        if (format.code == typeCode)
            return &format;
    return nullptr;
}

const CFormatEntry* CFormatTable::FindByKey(std::string_view key)
{
    for (const CFormatEntry& format : kFormats)
        if (key == format.key)
            return &format;
    return nullptr;
}

std::unique_ptr<CFormatDecoder> CFormatTable::Create(int typeCode)
{
    const CFormatEntry* format = Find(typeCode);
    return format ? format->makeDecoder() : nullptr;
}

std::unique_ptr<CTelegramFramer> CFormatTable::CreateFramer(int typeCode)
{
    const CFormatEntry* format = Find(typeCode);
    return format ? format->makeFramer() : nullptr;
}

bool CFormatTable::IsLineBased(int typeCode)
{
    const CFormatEntry* format = Find(typeCode);
    return format != nullptr && format->lineBased;
}

const char* CFormatTable::TypeName(int typeCode)
{
    const CFormatEntry* format = Find(typeCode);
    return format ? format->name : nullptr;
}

std::string CFormatTable::CodeList()
{
    std::vector<const CFormatEntry*> byCode;
    for (const CFormatEntry& format : kFormats)
        byCode.push_back(&format);
    std::sort(byCode.begin(), byCode.end(),
              [](const CFormatEntry* a, const CFormatEntry* b) { return a->code < b->code; });
    std::string list;
    for (const CFormatEntry* format : byCode) {
        if (!list.empty())
            list += ", ";
        list += std::to_string(format->code) + " " + format->name;
    }
    return list;
}
