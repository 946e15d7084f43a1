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

void CHandOffQueue::QueueNotice(std::string text)
{
    std::lock_guard<std::mutex> guard(queueGuard);
    queued.emplace_back(std::in_place_type<std::string>, std::move(text));
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
            } else if (const auto* event = std::get_if<CLineEvent>(&item)) {
                receiver->OnLineEvent(*event);
            } else {
                receiver->OnNotice(std::get<std::string>(item));
            }
        }
    }
}
