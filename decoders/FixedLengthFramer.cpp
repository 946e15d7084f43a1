#include "decoders/FixedLengthFramer.h"

CFixedLengthFramer::CFixedLengthFramer(std::size_t telegramLength, std::optional<std::uint8_t> start,
                                       std::optional<std::uint8_t> end)
    : length(telegramLength), startByte(start), endByte(end)
{
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
    // After a telegram the frame suffices; elsewhere the check must hold too.
    if (start == Start::AfterTelegram || ChecksOut(CByteView(bytes.substr(0, length))))
        return Found(length);
    return None();
}
