#include "decoders/TelegramRecord.h"

const char* FrameName(CPositionFrame frame)
{
    switch (frame) {
    case CPositionFrame::Vessel: return "vessel";
    case CPositionFrame::North: return "north";
    case CPositionFrame::Grid: return "grid";
    case CPositionFrame::Unspecified: break;
    }
    return "unspecified";
}
