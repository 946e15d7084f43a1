#pragma once
#include <cstdint>
#include <string>

#include "decoders/FormatDecoder.h"

// What the formats sent as one line of text share: the length rule of their
// validation, a report header that echoes the whole received line, and the
// lines that name the two end characters.
class CAsciiFormatDecoder : public CFormatDecoder {
protected:
    CAsciiFormatDecoder() : CFormatDecoder(RowShape::AroundDecode) {}

    // Nothing received is TIMED OUT and one to three characters BAD DATA;
    // anything longer is OK as far as its length goes.
    static TelegramStatus CheckLength(const CByteView& telegram);

    // The header block, the received text as one colour-1 run (whole, NUL
    // bytes included), an empty line and the ASCII table heading.
    void WriteTextHeader(const char* typeName, const CByteView& telegram);

    // "First end character of telegram is ENTER" and the like; ordinal is
    // "First" or "Second".
    static std::string EndCharacterText(const char* ordinal, std::uint8_t code);
    static const char* EndCharacterName(std::uint8_t code);
};
