#pragma once
#include <memory>

#include "decoders/FormatDecoder.h"

// Telegram type codes: the one table that maps a code to its format name and
// its decoder. Codes 5 and every code not listed select no decoder.
enum TelegramTypeCode : int {
    kTypeHpr309 = 0,
    kTypeHpr418D = 1,
    kTypeZaqAscii = 2,
    kTypeHpr418Bcd = 3,
    kTypeNmea = 4,
    kTypeHpr418F = 6,
    kDefaultTelegramType = kTypeHpr418F
};

class CDecoderFactory {
public:
    // The decoder for a type code, or null when the code has none.
    static std::unique_ptr<CFormatDecoder> Create(int typeCode);

    // The name shown to the user ("HPR 418F"), or null for a code without a format.
    static const char* TypeName(int typeCode);
};
