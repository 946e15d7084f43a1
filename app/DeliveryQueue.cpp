#include "app/DeliveryQueue.h"

#include <utility>

bool CDeliveryQueue::Push(CSharedTelegram telegram)
{
    return PushItem(std::move(telegram), true);
}

bool CDeliveryQueue::Push(CLineEvent event)
{
    return PushItem(std::move(event), false);
}

bool CDeliveryQueue::PushItem(CItem item, bool isTelegram)
{
    std::lock_guard<std::mutex> lock(guard);
    const bool wasEmpty = waiting.empty();
    if (isTelegram && telegramsWaiting >= kMaxWaiting) {
        ++leftOut;
        return false;
    }
    telegramsWaiting += isTelegram ? 1 : 0;
    waiting.push_back(std::move(item));
    return wasEmpty;
}

CDeliveryQueue::CBatch CDeliveryQueue::TakeAll()
{
    CBatch batch;
    std::lock_guard<std::mutex> lock(guard);
    batch.items.swap(waiting);
    batch.leftOut = std::exchange(leftOut, 0);
    telegramsWaiting = 0;
    return batch;
}
