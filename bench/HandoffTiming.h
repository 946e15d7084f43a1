#pragma once
// The hand-off benchmarks' shared measuring: the whole controller reads a
// line mapped to a port, a receiver notes when each telegram is handed off
// and the reader thread's CPU time then. The line is fed by a function that
// sends one telegram and returns when its last byte has left.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/CommSettings.h"
#include "acquisition/MemorySettingsStore.h"
#include "acquisition/PortMap.h"
#include "acquisition/TelegramDecoder.h"
#include "acquisition/TelegramReceiver.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"

namespace handoff {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kBenchPort = 400;
constexpr int kLatencySamples = 150;
constexpr int kCpuSeconds = 10;
constexpr int kCpuRate = 10;

inline double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline double Percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    const std::size_t at = std::min(values.size() - 1, static_cast<std::size_t>(share * (values.size() - 1) + 0.5));
    return values[at];
}

// Notes when each telegram arrives and the reader thread's CPU time then.
class CTimingReceiver : public CTelegramReceiver {
public:
    void OnTelegramDecoded(const CSharedTelegram& telegram) override
    {
        const auto now = Clock::now();
        const double cpu = ThreadCpuSeconds();
        std::lock_guard<std::mutex> lock(guard);
        if (telegram->raw.empty())
            return;  // a receive timeout, not a telegram
        arrivals.push_back(now);
        readerCpu.push_back(cpu);
        changed.notify_all();
    }

    void OnLineEvent(const CLineEvent& event) override
    {
        std::lock_guard<std::mutex> lock(guard);
        if (event.kind == CLineEvent::Kind::DroppedBySystem)
            dropped += event.count;
    }

    bool WaitFor(std::size_t count)
    {
        std::unique_lock<std::mutex> lock(guard);
        return changed.wait_for(lock, 5s, [&] { return arrivals.size() >= count; });
    }

    std::mutex guard;
    std::condition_variable changed;
    std::vector<Clock::time_point> arrivals;
    std::vector<double> readerCpu;
    std::uint64_t dropped = 0;  // datagrams the system dropped before the reader took them
};

// The controller reading the line mapped to the bench's port, HPR 418F
// telegrams, and what it hands off.
class CHandoffBench {
public:
    using SendTelegram = std::function<void(const std::string& telegram)>;

    explicit CHandoffBench(const std::string& mappedLine, CFraming framing = CFraming::BySilence)
    {
        CPortMap::SetOverride(kBenchPort, mappedLine);
        store.WriteString("Port", "COM" + std::to_string(kBenchPort));
        store.WriteString("Config", "Config(115200,8,N,1)");
        store.WriteString(kFramingSetting, CommSettings::FramingText(framing));
        store.WriteInt("Telegram", kTypeHpr418F);
        controller = std::make_unique<CTelegramDecoder>(&receiver, &store);
    }
    ~CHandoffBench()
    {
        controller.reset();
        CPortMap::ClearOverride(kBenchPort);
    }

    // One telegram at a time, sent while the reader waits for it: the time
    // from the start of each send to its hand-off, in milliseconds (on the
    // loopback the reader may take a datagram before the send returns, so
    // the clock is read before it). False when a telegram was not handed off.
    bool MeasureLatency(const SendTelegram& send, std::vector<double>& latencyMs)
    {
        for (int i = 0; i < kLatencySamples; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(120 + (i * 37) % 80));
            const std::size_t before = Arrivals();
            const std::string telegram = generator->Next();
            const auto sent = Clock::now();
            send(telegram);
            if (!receiver.WaitFor(before + 1)) {
                std::fprintf(stderr, "telegram %d was not handed off\n", i + 1);
                return false;
            }
            std::lock_guard<std::mutex> lock(receiver.guard);
            latencyMs.push_back(std::chrono::duration<double, std::milli>(receiver.arrivals[before] - sent).count());
        }
        return true;
    }

    // Telegrams at a steady kCpuRate per second: prints the reader thread's
    // CPU time per telegram.
    void MeasureReaderCpu(const SendTelegram& send)
    {
        const std::size_t first = Arrivals();
        const int telegrams = kCpuSeconds * kCpuRate;
        auto next = Clock::now();
        for (int i = 0; i < telegrams; ++i) {
            std::this_thread::sleep_until(next);
            send(generator->Next());
            next += std::chrono::milliseconds(1000 / kCpuRate);
        }
        receiver.WaitFor(first + static_cast<std::size_t>(telegrams));
        std::lock_guard<std::mutex> lock(receiver.guard);
        const std::size_t last = receiver.arrivals.size() - 1;
        const double cpu = receiver.readerCpu[last] - receiver.readerCpu[first];
        const double seconds =
            std::chrono::duration<double>(receiver.arrivals[last] - receiver.arrivals[first]).count();
        const double perTelegramUs = cpu / static_cast<double>(last - first) * 1e6;
        std::printf("reader thread at %d telegrams per second: %zu telegrams in %.1f s\n", kCpuRate,
                    last - first + 1, seconds);
        std::printf("  CPU %.1f us per telegram (%.3f %% of one core)\n", perTelegramUs, cpu / seconds * 100.0);
    }

    // count telegrams sent rate per second (0: back to back, as fast as the
    // sender goes): prints how many were handed off and how many the system
    // dropped, and how long after the last send the last hand-off came.
    // False when any was lost.
    bool MeasureDelivery(const char* what, const SendTelegram& send, int rate, int count)
    {
        const std::size_t first = Arrivals();
        const std::uint64_t droppedBefore = Dropped();
        std::vector<std::string> telegrams;
        for (int i = 0; i < count; ++i)
            telegrams.push_back(generator->Next());
        const auto start = Clock::now();
        for (int i = 0; i < count; ++i) {
            if (rate > 0)
                std::this_thread::sleep_until(start + std::chrono::microseconds(1000000LL * i / rate));
            send(telegrams[static_cast<std::size_t>(i)]);
        }
        const auto lastSent = Clock::now();
        const std::size_t wanted = first + static_cast<std::size_t>(count);
        // Waits while telegrams still come.
        for (std::size_t seen = Arrivals(); !receiver.WaitFor(wanted) && Arrivals() > seen;)
            seen = Arrivals();
        std::lock_guard<std::mutex> lock(receiver.guard);
        const std::size_t handedOff = receiver.arrivals.size() - first;
        const double sendingSeconds = std::chrono::duration<double>(lastSent - start).count();
        std::printf("%s: %d sent in %.2f s (%.0f per second)\n", what, count, sendingSeconds,
                    sendingSeconds > 0 ? count / sendingSeconds : 0.0);
        std::printf("  handed off %zu, lost %zu, dropped by the system %llu\n", handedOff,
                    static_cast<std::size_t>(count) - std::min(handedOff, static_cast<std::size_t>(count)),
                    static_cast<unsigned long long>(receiver.dropped - droppedBefore));
        if (handedOff > 0) {
            const double lagMs =
                std::chrono::duration<double, std::milli>(receiver.arrivals.back() - lastSent).count();
            std::printf("  last hand-off %.1f ms after the last send\n", lagMs);
        }
        return handedOff == static_cast<std::size_t>(count);
    }

    std::uint64_t Dropped()
    {
        std::lock_guard<std::mutex> lock(receiver.guard);
        return receiver.dropped;
    }

    std::size_t Arrivals()
    {
        std::lock_guard<std::mutex> lock(receiver.guard);
        return receiver.arrivals.size();
    }

private:
    CTimingReceiver receiver;
    CMemorySettingsStore store;
    std::unique_ptr<CTelegramDecoder> controller;
    std::unique_ptr<CTelegramGenerator> generator = CTelegramGenerator::Create(kTypeHpr418F);
};

// The median, 99th percentile and range of latencies, and how far the
// median and the 99th percentile lie beyond framingMs (the silence that
// ends a telegram on a byte stream; 0 where a datagram is one telegram).
inline void PrintLatency(const char* what, const std::vector<double>& latencyMs, double framingMs)
{
    std::printf("%s, %zu telegrams (HPR 418F):\n", what, latencyMs.size());
    const double median = Percentile(latencyMs, 0.5);
    const double p99 = Percentile(latencyMs, 0.99);
    if (framingMs > 0) {
        std::printf("  median %.2f ms (%.2f ms beyond the %.0f ms silence)\n", median, median - framingMs, framingMs);
        std::printf("  99th percentile %.2f ms (%.2f ms beyond)\n", p99, p99 - framingMs);
    } else {
        std::printf("  median %.2f ms\n", median);
        std::printf("  99th percentile %.2f ms\n", p99);
    }
    std::printf("  min %.2f ms, max %.2f ms\n", Percentile(latencyMs, 0.0), Percentile(latencyMs, 1.0));
}

} // namespace handoff
