#include "models/LineModels.h"

void CLineModels::OnLineEvent(const CLineEvent& event)
{
    switch (event.kind) {
    case CLineEvent::Kind::DroppedBySystem:
        statistics.AddDroppedBySystem(event.count);
        break;
    // The user closed the port, or chose another: until it is read again,
    // its silence is no silence of the line.
    case CLineEvent::Kind::ClosedByUser:
    case CLineEvent::Kind::Replaced:
        statistics.SkipIntervalsAcrossClose();
        timing.Suspend(event.time);
        break;
    // Open again, or failing of itself: the line's own time runs from now.
    case CLineEvent::Kind::Back:
    case CLineEvent::Kind::Refused:
    case CLineEvent::Kind::Lost:
        timing.Resume(event.time);
        break;
    case CLineEvent::Kind::Reconnecting:
        break;
    }
}

void CLineModels::Clear()
{
    statistics.Reset();
    tracks.Clear();
    timing.Reset();
}

void CLineModels::Add(const CDecodedTelegram& telegram)
{
    statistics.Add(telegram.index, telegram.record);
    if (telegram.holdsSeveralTelegrams)
        statistics.AddReadHoldingSeveral();
    tracks.Add(telegram.index, telegram.record);
    timing.Add(telegram.index);
}
