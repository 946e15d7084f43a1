#include "decoders/FormatTable.h"

#include <algorithm>
#include <vector>

#include "decoders/Hpr309Decoder.h"
#include "decoders/Hpr309Framer.h"
#include "decoders/Hpr418BcdDecoder.h"
#include "decoders/Hpr418BcdFramer.h"
#include "decoders/Hpr418Decoder.h"
#include "decoders/Hpr418Framer.h"
#include "decoders/NmeaDecoder.h"
#include "decoders/NmeaFramer.h"
#include "decoders/ZaqAsciiDecoder.h"
#include "decoders/ZaqAsciiFramer.h"

namespace {

template <class Decoder, auto... arguments>
std::unique_ptr<CFormatDecoder> Make()
{
    return std::make_unique<Decoder>(arguments...);
}

template <class Framer, auto... arguments>
std::unique_ptr<CTelegramFramer> MakeFramer()
{
    return std::make_unique<Framer>(arguments...);
}

const CFormatEntry kFormats[] = {
    {kTypeHpr418D, "HPR 418D", "hpr418d", true, false, &Make<CHpr418Decoder, false>,
     &MakeFramer<CHpr418Framer, false>},
    {kTypeHpr418F, "HPR 418F", "hpr418f", true, false, &Make<CHpr418Decoder, true>,
     &MakeFramer<CHpr418Framer, true>},
    {kTypeHpr309, "HPR 309", "hpr309", true, false, &Make<CHpr309Decoder>,
     &MakeFramer<CHpr309Framer>},
    {kTypeZaqAscii, "ZAQ ASCII", "zaq", true, true, &Make<CZaqAsciiDecoder>,
     &MakeFramer<CZaqAsciiFramer>},
    {kTypeHpr418Bcd, "HPR 418 BCD", "hpr418bcd", true, false, &Make<CHpr418BcdDecoder>,
     &MakeFramer<CHpr418BcdFramer>},
    {kTypeNmea, "NMEA SSB/LBP", "nmea", true, true, &Make<CNmeaDecoder>,
     &MakeFramer<CNmeaFramer>},
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
