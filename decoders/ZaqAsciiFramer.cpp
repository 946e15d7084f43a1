#include "decoders/ZaqAsciiFramer.h"

CTelegramFramer::CCut CZaqAsciiFramer::Cut(std::string_view bytes, Start) const
{
    return CutLine(bytes);
}
