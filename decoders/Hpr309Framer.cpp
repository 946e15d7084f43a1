#include "decoders/Hpr309Framer.h"

#include "decoders/Hpr309Layout.h"

CHpr309Framer::CHpr309Framer() : CFixedLengthFramer(Hpr309Layout::kLength, std::nullopt, std::nullopt) {}

bool CHpr309Framer::ChecksOut(const CByteView& telegram) const
{
    return Hpr309Layout::Xor(telegram) == Hpr309Layout::kXorResult;
}

CBinaryFramer::CVerdict CHpr309Framer::Confirmed(std::string_view bytes) const
{
    const std::size_t length = Length();
    if (bytes.size() < 2 * length)
        return Maybe();
    const CByteView view(bytes);
    const bool sameMarker = view.At(length - 1) == view.At(2 * length - 1);
    return sameMarker && ChecksOut(CByteView(bytes.substr(length, length))) ? Found(length) : None();
}
