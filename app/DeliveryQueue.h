#pragma once
// What the reader thread hands the window, waiting for the user-interface
// thread: every telegram and line event in arrival order, taken there in
// one go however many came meanwhile. Nothing is copied; a telegram waits
// as the shared value it is.
//
// The wait is bounded: at most kMaxWaiting telegrams wait. The window takes
// them whenever its event loop runs, so only a window that has not answered
// for seconds meets the bound; the telegrams that come then are left out of
// the window (the logs have them) and counted. Line events are never left
// out: they tell the line's state.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <variant>
#include <vector>

#include "acquisition/DecodedTelegram.h"
#include "acquisition/LineEvent.h"

class CDeliveryQueue {
public:
    // 4 s at 2,000 telegrams a second: some 30 MB of HPR 418F reports and records.
    static constexpr std::size_t kMaxWaiting = 8000;

    using CItem = std::variant<CSharedTelegram, CLineEvent>;
    struct CBatch {
        std::vector<CItem> items;
        std::uint64_t leftOut = 0;  // telegrams that found the queue full since the last batch
    };

    // Any thread. True when nothing waited before: the taker is to be told.
    bool Push(CSharedTelegram telegram);
    bool Push(CLineEvent event);
    // Everything waiting, in arrival order; the queue is empty afterwards.
    CBatch TakeAll();

private:
    bool PushItem(CItem item, bool isTelegram);

    std::mutex guard;
    std::vector<CItem> waiting;
    std::size_t telegramsWaiting = 0;
    std::uint64_t leftOut = 0;
};
