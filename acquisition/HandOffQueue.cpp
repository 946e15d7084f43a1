#include "acquisition/HandOffQueue.h"

#include "acquisition/TelegramReceiver.h"

void CHandOffQueue::Queue(CSharedTelegram telegram)
{
    std::lock_guard<std::mutex> guard(queueGuard);
    queued.emplace_back(std::move(telegram));
}

void CHandOffQueue::Queue(CLineEvent event)
{
    std::lock_guard<std::mutex> guard(queueGuard);
    queued.emplace_back(std::move(event));
}

void CHandOffQueue::HandOver(bool withTelegrams)
{
    std::lock_guard<std::mutex> order(handOverGuard);
    for (;;) {
        std::deque<CItem> items;
        {
            std::lock_guard<std::mutex> guard(queueGuard);
            items.swap(queued);
        }
        if (items.empty() || !receiver)
            return;
        for (const CItem& item : items) {
            if (const auto* telegram = std::get_if<CSharedTelegram>(&item)) {
                if (withTelegrams)
                    receiver->OnTelegramDecoded(*telegram);
            } else {
                receiver->OnLineEvent(std::get<CLineEvent>(item));
            }
        }
    }
}
