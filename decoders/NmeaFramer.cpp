#include "decoders/NmeaFramer.h"

#include <algorithm>

#include "decoders/NmeaLayout.h"

CTelegramFramer::CCut CNmeaFramer::Cut(std::string_view bytes, Start) const
{
    if (bytes.empty())
        return NeedMore();
    const std::size_t nextStart = std::min(bytes.find(NmeaLayout::kStart, 1), bytes.size());
    if (bytes.front() != NmeaLayout::kStart)
        return Noise(nextStart);
    const CCut line = CutLine(bytes.substr(0, nextStart));
    // Cut short by the next sentence: no line end before its '$'.
    if (nextStart < bytes.size() && line.kind == CCut::Kind::NeedMore)
        return Noise(nextStart);
    // A line ended by LF right before a '$' is whole: the '$' is no CR.
    if (nextStart < bytes.size() && line.kind == CCut::Kind::Provisional)
        return Telegram(line.length);
    return line;
}
