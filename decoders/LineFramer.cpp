#include "decoders/LineFramer.h"

namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';

} // namespace

CTelegramFramer::CCut CLineFramer::CutLine(std::string_view bytes)
{
    const std::size_t lineFeed = bytes.find(kLineFeed);
    if (lineFeed == std::string_view::npos)
        return NeedMore();
    const std::size_t end = lineFeed + 1;
    if (lineFeed > 0 && bytes[lineFeed - 1] == kCarriageReturn)
        return Telegram(end);
    if (end == bytes.size())
        return Provisional(end);
    return Telegram(bytes[end] == kCarriageReturn ? end + 1 : end);
}
