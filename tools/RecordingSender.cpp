#include "tools/RecordingSender.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "replay/ReplaySession.h"
#include "simulation/TelegramSink.h"
#include "tools/StopSignal.h"

namespace {

using Clock = std::chrono::steady_clock;

// Waits until `due`, looking for a stop at least every check; false when stopped.
bool WaitUntil(Clock::time_point due, CStopSignal& stop)
{
    for (;;) {
        const auto now = Clock::now();
        if (now >= due)
            return true;
        const auto slice = std::min<Clock::duration>(due - now, std::chrono::milliseconds(CTelegramSink::kStopCheckMs));
        if (stop.Wait(std::chrono::duration_cast<std::chrono::milliseconds>(slice)))
            return false;
    }
}

} // namespace

int SendRecording(const std::vector<std::string>& files, std::optional<int> typeCode, CTelegramSink& sink,
                  CStopSignal& stop)
{
    CReplaySession::COptions options;
    options.typeCode = typeCode;
    CReplaySession session(files, options);
    const auto tell = [](const CReplayMessage& message) {
        std::fprintf(stderr, "vantrel-cli simulate: %s\n", message.Text().c_str());
    };
    // Logs need their format to be recut; a capture keeps its reads as they were.
    session.TypeCode([](const CReplayMessage&) {});
    const CTelegramSink::StopRequested stopRequested = [&stop] { return stop.Wait(std::chrono::milliseconds(0)); };
    if (!sink.WaitUntilReady(stopRequested))
        return 0;
    std::uint64_t sent = 0;
    std::optional<std::int64_t> firstUtcMs;
    Clock::time_point start;
    std::string error;
    while (std::optional<CRecordedRead> read = session.Next(tell)) {
        if (!firstUtcMs) {
            firstUtcMs = read->time.utcMilliseconds;
            start = Clock::now();
        }
        if (!WaitUntil(start + std::chrono::milliseconds(read->time.utcMilliseconds - *firstUtcMs), stop))
            break;
        if (read->raw.empty())
            continue;  // a read that timed out brought no bytes
        if (!sink.Send(read->raw, stopRequested, error))
            break;
        ++sent;
    }
    std::fprintf(stderr, "vantrel-cli simulate: sent %llu recorded telegrams\n", static_cast<unsigned long long>(sent));
    if (!error.empty()) {
        std::fprintf(stderr, "vantrel-cli simulate: writing to the line failed: %s\n", error.c_str());
        return 1;
    }
    return sent == 0 && !stop.Wait(std::chrono::milliseconds(0)) ? 1 : 0;
}
