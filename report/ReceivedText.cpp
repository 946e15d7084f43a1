#include "report/ReceivedText.h"

namespace {

bool IsControl(unsigned char byte)
{
    return byte < 0x20 || (byte >= 0x7F && byte < 0xA0);
}

void AppendLatin1(std::string& to, unsigned char byte)
{
    if (byte < 0x80) {
        to += static_cast<char>(byte);
    } else {
        to += static_cast<char>(0xC0 | (byte >> 6));
        to += static_cast<char>(0x80 | (byte & 0x3F));
    }
}

} // namespace

std::string Latin1ToUtf8(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size() + bytes.size() / 4);
    for (const char c : bytes)
        AppendLatin1(text, static_cast<unsigned char>(c));
    return text;
}

std::string ControlsReplaced(std::string_view bytes)
{
    std::string text(bytes);
    for (char& c : text) {
        if (IsControl(static_cast<unsigned char>(c)))
            c = '?';
    }
    return text;
}

std::string TerminalCell(std::string_view bytes)
{
    return Latin1ToUtf8(ControlsReplaced(bytes));
}
