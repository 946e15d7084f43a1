#include "decoders/FixedLengthFramer.h"

CFixedLengthFramer::CFixedLengthFramer(std::size_t telegramLength, std::optional<std::uint8_t> start,
                                       std::optional<std::uint8_t> end)
    : length(telegramLength), startByte(start), endByte(end)
{
}

CBinaryFramer::CVerdict CFixedLengthFramer::Confirmed(std::string_view) const
{
    return Found(length);
}

CBinaryFramer::CVerdict CFixedLengthFramer::Judge(std::string_view bytes, Start start) const
{
    const CByteView view(bytes);
    if (startByte && view.At(0) != *startByte)
        return None();
    if (bytes.size() < length)
        return Maybe();
    if (endByte && view.At(length - 1) != *endByte)
        return None();
    const bool checksOut = ChecksOut(CByteView(bytes.substr(0, length)));
    if (start == Start::AfterTelegram)
        return checksOut || startByte || endByte ? Found(length) : None();
    return checksOut ? Confirmed(bytes) : None();
}
