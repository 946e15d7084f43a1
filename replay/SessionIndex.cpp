#include "replay/SessionIndex.h"

#include <algorithm>

std::optional<CSessionIndex> CSessionIndex::Build(CReplaySession& session,
                                                  const CReplaySession::MessageSink& messages,
                                                  const Progress& progress, const std::atomic<bool>* cancel)
{
    CSessionIndex index;
    session.Rewind();
    for (;;) {
        if (index.reads % 4096 == 0) {
            if (cancel && cancel->load())
                return std::nullopt;
            if (progress)
                progress(session.Progress());
        }
        const CReplaySession::CMark mark = session.Mark();
        const std::optional<CRecordedRead> read = session.Next(messages);
        if (!read)
            break;
        if (index.reads == 0)
            index.first = read->time;
        if (index.reads % kStride == 0)
            index.entries.push_back({mark, read->time.utcMilliseconds});
        index.last = read->time;
        ++index.reads;
    }
    if (progress)
        progress(1.0);
    session.Rewind();
    return index;
}

const CSessionIndex::CEntry& CSessionIndex::EntryFor(std::int64_t utcMs) const
{
    static const CEntry start;
    // The entries' times never go back: the session plays a time that goes
    // back at the time before it.
    const auto after = std::upper_bound(entries.begin(), entries.end(), utcMs,
                                        [](std::int64_t time, const CEntry& entry) { return time <= entry.utcMs; });
    if (after == entries.begin())
        return entries.empty() ? start : entries.front();
    return *(after - 1);
}
