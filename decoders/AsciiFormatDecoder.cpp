#include "decoders/AsciiFormatDecoder.h"

TelegramStatus CAsciiFormatDecoder::CheckLength(const CByteView& telegram)
{
    if (telegram.Empty())
        return kStatusTimedOut;
    return telegram.Size() <= 3 ? kStatusBadData : kStatusOk;
}

void CAsciiFormatDecoder::WriteTextHeader(const char* typeName, const CByteView& telegram)
{
    ReportHeader(typeName, static_cast<int>(telegram.Size()));
    report->AppendAsciiText(std::string(telegram.Text()));
    report->NewLine();
    report->NewLine();
    WriteAsciiHeading();
}

std::string CAsciiFormatDecoder::EndCharacterText(const char* ordinal, std::uint8_t code)
{
    return Format("%s end character of telegram is %s", ordinal, EndCharacterName(code));
}

const char* CAsciiFormatDecoder::EndCharacterName(std::uint8_t code)
{
    switch (code) {
    case '\n': return "LINEFEED";
    case '\r': return "ENTER";
    default: return "WRONG";
    }
}
