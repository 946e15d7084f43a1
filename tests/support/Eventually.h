#pragma once
// Waiting for something another thread or process does, without a fixed sleep.
#include <chrono>
#include <thread>

// Polls until done() holds; false on timeout.
template <typename Condition>
bool Eventually(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
