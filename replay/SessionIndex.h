#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "replay/ReplaySession.h"

// The times of a session, read once in one pass, so that a seek goes
// straight to the place of a time: a mark every kStride reads, with the
// time of that read, the first and the last time and the number of reads.
// Built on any thread (a window builds it off its event loop, showing the
// progress); read-only afterwards, so it can be shared between threads.
class CSessionIndex {
public:
    static constexpr std::uint64_t kStride = 256;

    struct CEntry {
        CReplaySession::CMark mark;
        std::int64_t utcMs = 0;
    };

    // Progress: the fraction of the files' bytes read so far, 0 to 1,
    // called now and then. cancel, when given and set, ends the pass early;
    // Build then returns nullopt.
    using Progress = std::function<void(double fraction)>;
    static std::optional<CSessionIndex> Build(CReplaySession& session,
                                              const CReplaySession::MessageSink& messages,
                                              const Progress& progress = {},
                                              const std::atomic<bool>* cancel = nullptr);

    bool Empty() const { return reads == 0; }
    std::uint64_t Reads() const { return reads; }
    // The recorded times of the first and the last read.
    CWallTime First() const { return first; }
    CWallTime Last() const { return last; }
    // The mark to read on from to reach the first read at or after utcMs:
    // the last mark at or before it (the start when utcMs is before the
    // first read).
    const CEntry& EntryFor(std::int64_t utcMs) const;

private:
    std::vector<CEntry> entries;
    std::uint64_t reads = 0;
    CWallTime first;
    CWallTime last;
};
