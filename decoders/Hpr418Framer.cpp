#include "decoders/Hpr418Framer.h"

#include <algorithm>
#include <array>
#include <optional>

#include "decoders/ByteView.h"
#include "decoders/Hpr418Layout.h"

namespace {

using namespace Hpr418Layout;

// The SSBL message's transponder type, which chooses its extension.
constexpr std::size_t kTpTypeAt = kHeaderSize + 4;

// The length the layout fixes for the message type (and the SSBL
// message's transponder type), or none while that byte has not come.
std::optional<std::size_t> LayoutLength(const CByteView& bytes, bool variantF)
{
    std::size_t section = 0;
    switch (bytes.At(kMessageTypeAt)) {
    case kSsblMessage: {
        if (bytes.Size() <= kTpTypeAt)
            return std::nullopt;
        const int tpType = bytes.At(kTpTypeAt);
        section = kSsblSize + (tpType == kDepthTransponder    ? kDepthExtensionSize
                               : HasInclinometer(tpType) ? kInclinometerExtensionSize
                                                         : 0);
        break;
    }
    case kLblMessage:
        section = variantF ? kLblSizeF : kLblSizeD;
        break;
    default:
        break;
    }
    return kHeaderSize + section + kTrailerSize;
}

bool SumAgrees(const CByteView& bytes, std::size_t length)
{
    const std::size_t sectionEnd = length - kTrailerSize;
    return Sum(bytes, sectionEnd) == bytes.U16LE(sectionEnd);
}

} // namespace

CHpr418Framer::CHpr418Framer(bool isVariantF) : variantF(isVariantF) {}

CBinaryFramer::CVerdict CHpr418Framer::Judge(std::string_view text, Start start) const
{
    const CByteView bytes(text);
    if (bytes.Size() < kHeaderSize)
        return Maybe();
    const std::size_t stated = StatedLength(bytes);
    const std::optional<std::size_t> layout = LayoutLength(bytes, variantF);

    // The shorter length first: a longer one cannot be known before it.
    std::array<std::size_t, 2> lengths{stated, layout.value_or(stated)};
    std::sort(lengths.begin(), lengths.end());
    bool pending = !layout;
    for (const std::size_t length : lengths) {
        if (length > kReadLimit)
            continue;
        if (length > bytes.Size()) {
            pending = true;
            continue;
        }
        if (bytes.At(length - 1) == kStopChar && SumAgrees(bytes, length))
            return Found(length);
    }
    if (pending)
        return Maybe();
    if (start == Start::AfterTelegram && FramedAsTheLine(bytes, stated))
        return UnlessSureWithin(text, stated,
                                [this](std::string_view within) { return Judge(within, Start::Unknown); });
    return None();
}

bool CHpr418Framer::FramedAsTheLine(const CByteView& bytes, std::size_t stated) const
{
    const std::optional<std::uint8_t>& startChar = lineStart.Learned();
    return startChar && bytes.At(0) == *startChar && stated <= std::min(bytes.Size(), kReadLimit) &&
           bytes.At(stated - 1) == kStopChar;
}

void CHpr418Framer::Learn(std::string_view text)
{
    const CByteView telegram(text);
    if (telegram.Size() >= kHeaderSize + kTrailerSize && telegram.At(telegram.Size() - 1) == kStopChar &&
        SumAgrees(telegram, telegram.Size()))
        lineStart.Heard(telegram.At(0));
}
