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
    if (ChecksOut(CByteView(bytes.substr(0, length))))
        return Found(length);
    // After a telegram the frame suffices, unless a telegram whose check holds begins within it.
    if (start == Start::AfterTelegram)
        return UnlessSureWithin(bytes, length, [this](std::string_view within) { return Judge(within, Start::Unknown); });
    return None();
}
