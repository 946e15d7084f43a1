#pragma once
// What is known of the line since the start: the statistics of its
// telegrams, the trails of their positions and the age of each index
// against the position timeout. Fed as a receiver, with every telegram and
// line event, by whoever shows them: the document on the user-interface
// thread, the terminal monitor on the reader thread. The window's tool
// windows and the monitor's statistics read the same models.
#include "acquisition/TelegramReceiver.h"
#include "models/PositionTracks.h"
#include "models/TelegramStatistics.h"
#include "models/TimingAges.h"

class CLineModels : public CTelegramReceiver {
public:
    void OnTelegramDecoded(const CSharedTelegram& telegram) override { Add(*telegram); }
    // Counts the datagrams the system dropped; a port the user closed or
    // replaced counts in no interval and no age.
    void OnLineEvent(const CLineEvent& event) override;
    void Add(const CDecodedTelegram& telegram);
    // Forgets everything known, in place: the windows that draw the models
    // draw them empty from then on.
    void Clear();

    CTelegramStatistics& Statistics() { return statistics; }
    const CTelegramStatistics& Statistics() const { return statistics; }
    CPositionTracks& Tracks() { return tracks; }
    const CPositionTracks& Tracks() const { return tracks; }
    CTimingAges& Timing() { return timing; }
    const CTimingAges& Timing() const { return timing; }

private:
    CTelegramStatistics statistics;
    CPositionTracks tracks;
    CTimingAges timing;
};
