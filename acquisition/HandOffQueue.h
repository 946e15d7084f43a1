#pragma once
#include <deque>
#include <mutex>
#include <string>
#include <variant>

#include "acquisition/DecodedTelegram.h"
#include "acquisition/LineEvent.h"

class CTelegramReceiver;

// What the controller tells its receiver, in the order it happened:
// telegrams, line events and notices are queued where they happen, under the
// controller's lock, and handed over afterwards, without it, by whichever
// thread comes first; the receiver never takes two at once.
class CHandOffQueue {
public:
    explicit CHandOffQueue(CTelegramReceiver* receiver) : receiver(receiver) {}

    void Queue(CSharedTelegram telegram);
    void Queue(CLineEvent event);
    // Something to tell the user (CTelegramReceiver::OnNotice).
    void QueueNotice(std::string text);
    // Hands over everything queued so far, in order; the telegrams only
    // with withTelegrams (the line events always).
    void HandOver(bool withTelegrams);

private:
    using CItem = std::variant<CSharedTelegram, CLineEvent, std::string>;

    CTelegramReceiver* receiver;
    std::mutex queueGuard;
    std::deque<CItem> queued;
    std::mutex handOverGuard;  // held while handing over: one at a time, in order
};
