#include "models/LineModels.h"

void CLineModels::OnLineEvent(const CLineEvent& event)
{
    if (event.kind == CLineEvent::Kind::DroppedBySystem)
        statistics.AddDroppedBySystem(event.count);
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
