#include "decoders/DecoderFactory.h"

#include "decoders/CodeText.h"
#include "decoders/Hpr309Decoder.h"
#include "decoders/Hpr418BcdDecoder.h"
#include "decoders/Hpr418Decoder.h"
#include "decoders/NmeaDecoder.h"
#include "decoders/ZaqAsciiDecoder.h"

namespace {
const CCodeText kTypeNames[] = {
    {kTypeHpr309, "HPR 309"},       {kTypeHpr418D, "HPR 418D"}, {kTypeZaqAscii, "ZAQ ASCII"},
    {kTypeHpr418Bcd, "HPR 418 BCD"}, {kTypeNmea, "NMEA SSB/LBP"}, {kTypeHpr418F, "HPR 418F"},
};
} // namespace

std::unique_ptr<CFormatDecoder> CDecoderFactory::Create(int typeCode)
{
    switch (typeCode) {
    case kTypeHpr309:
        return std::make_unique<CHpr309Decoder>();
    case kTypeHpr418Bcd:
        return std::make_unique<CHpr418BcdDecoder>();
    case kTypeHpr418D:
        return std::make_unique<CHpr418Decoder>(false);
    case kTypeHpr418F:
        return std::make_unique<CHpr418Decoder>(true);
    case kTypeZaqAscii:
        return std::make_unique<CZaqAsciiDecoder>();
    case kTypeNmea:
        return std::make_unique<CNmeaDecoder>();
    default:
        return nullptr;
    }
}

const char* CDecoderFactory::TypeName(int typeCode)
{
    return LookupText(kTypeNames, typeCode, nullptr);
}
