#include "decoders/Hpr309Framer.h"

#include "decoders/ByteView.h"
#include "decoders/Hpr309Layout.h"

namespace {

using namespace Hpr309Layout;

bool ChecksOut(const CByteView& telegram)
{
    return Xor(telegram) == kXorResult;
}

} // namespace

void CHpr309Framer::Learn(std::string_view text)
{
    const CByteView telegram(text);
    if (telegram.Size() == kLength && ChecksOut(telegram))
        lineEnd.Heard(telegram.At(kEndOfTg));
}

bool CHpr309Framer::EndsAsTheLine(const CByteView& bytes) const
{
    return bytes.At(kEndOfTg) == lineEnd.Learned().value_or(kEndMarker);
}

bool CHpr309Framer::IsSure(std::string_view text) const
{
    const CByteView bytes(text);
    return bytes.Size() >= kLength && ChecksOut(bytes) && EndsAsTheLine(bytes);
}

CBinaryFramer::CVerdict CHpr309Framer::Judge(std::string_view text, Start start) const
{
    const CByteView bytes(text);
    if (bytes.Size() < kLength)
        return Maybe();
    if (IsSure(text))
        return Found(kLength);
    if (!ChecksOut(bytes) && !(start == Start::AfterTelegram && EndsAsTheLine(bytes)))
        return None();
    return UnlessSureWithin(text, kLength, [this](std::string_view within) {
        return within.size() < kLength ? Maybe() : IsSure(within) ? Found(kLength) : None();
    });
}
