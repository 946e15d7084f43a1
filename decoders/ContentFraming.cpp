#include "decoders/ContentFraming.h"

#include <algorithm>

namespace {

using CCut = CTelegramFramer::CCut;
using Start = CTelegramFramer::Start;

// A cut held to what the framer was given: a telegram or noise takes at
// least one byte and no more than there are.
CCut Cut(const CTelegramFramer& framer, std::string_view bytes, Start start)
{
    CCut cut = framer.Cut(bytes, start);
    if (cut.kind == CCut::Kind::NeedMore)
        return cut;
    if (bytes.empty())
        return {CCut::Kind::NeedMore, 0};
    cut.length = std::clamp<std::size_t>(cut.length, 1, bytes.size());
    return cut;
}

} // namespace

CContentFraming::CContentFraming(std::unique_ptr<CTelegramFramer> telegramFramer)
    : framer(std::move(telegramFramer))
{
}

void CContentFraming::Append(std::string_view bytes)
{
    // What was handed on goes once it is the greater part.
    if (front > 0 && front >= buffer.size() / 2) {
        buffer.erase(0, front);
        front = 0;
    }
    buffer.append(bytes);
}

std::optional<std::string> CContentFraming::TakeRead()
{
    return Take(Ending::MoreMayCome);
}

bool CContentFraming::HoldsRead() const
{
    return NextRead(Ending::MoreMayCome).length > 0;
}

bool CContentFraming::HoldsProvisional() const
{
    return NextRead(Ending::MoreMayCome).length == 0 && NextRead(Ending::QuietSoFar).length > 0;
}

std::optional<std::string> CContentFraming::TakeProvisional()
{
    return Take(Ending::QuietSoFar);
}

std::optional<std::string> CContentFraming::TakeRest()
{
    return Take(Ending::NothingMoreComes);
}

CContentFraming::CNextRead CContentFraming::NextRead(Ending ending) const
{
    const std::string_view pending = std::string_view(buffer).substr(front);
    // With nothing more to come, what is there is parted by the frames it shows.
    Start start = afterTelegram || ending == Ending::NothingMoreComes ? Start::AfterTelegram : Start::Unknown;
    std::size_t noise = 0;
    while (noise < pending.size()) {
        const std::string_view rest = pending.substr(noise);
        const std::string_view bytes = rest.substr(0, kReadLimit);
        // A read holds no more than the limit: nothing more can join bytes that reach it.
        const bool complete = ending == Ending::NothingMoreComes || bytes.size() == kReadLimit;
        CCut cut = Cut(*framer, bytes, start);
        start = Start::Unknown;
        // Nothing more comes to finish what may begin here: its first byte is noise.
        if (cut.kind == CCut::Kind::NeedMore && ending == Ending::NothingMoreComes)
            cut = {CCut::Kind::Noise, 1};
        if (cut.kind == CCut::Kind::Noise) {
            noise += cut.length;
            if (noise >= kReadLimit)
                return {kReadLimit, false};
            continue;
        }
        if (noise > 0)
            return {noise, false};
        switch (cut.kind) {
        case CCut::Kind::Telegram:
            return {cut.length, true};
        case CCut::Kind::Provisional:
            return {complete || ending == Ending::QuietSoFar ? cut.length : 0, true};
        case CCut::Kind::NeedMore:
            return {complete ? bytes.size() : 0, false};
        case CCut::Kind::Noise:
            break;
        }
    }
    return {noise, false};
}

std::optional<std::string> CContentFraming::Take(Ending ending)
{
    const CNextRead next = NextRead(ending);
    if (next.length == 0)
        return std::nullopt;
    std::string read = buffer.substr(front, next.length);
    front += next.length;
    afterTelegram = next.telegram;
    if (next.telegram)
        framer->Learn(read);
    return read;
}

int CContentFraming::CountTelegrams(const CTelegramFramer& framer, std::string_view read)
{
    // Silence came before the read: a telegram is expected at its start.
    Start start = Start::AfterTelegram;
    int telegrams = 0;
    for (std::size_t at = 0; at < read.size();) {
        const CCut cut = Cut(framer, read.substr(at, kReadLimit), start);
        if (cut.kind == CCut::Kind::NeedMore)
            break;
        // A provisional telegram is whole: the read ends there.
        const bool telegram = cut.kind != CCut::Kind::Noise;
        telegrams += telegram ? 1 : 0;
        start = telegram ? Start::AfterTelegram : Start::Unknown;
        at += cut.length;
    }
    return telegrams;
}
