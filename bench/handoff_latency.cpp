// How long a telegram takes from its last byte on the line to the hand-off,
// and what the reader thread costs per telegram, measured on a
// pseudo-terminal with the whole controller (port, framing, decoding).
// The hand-off cannot come before the 60 ms of silence that ends a
// telegram; the goal is at most 5 ms on top of that.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "acquisition/MemorySettingsStore.h"
#include "acquisition/PortMap.h"
#include "acquisition/TelegramDecoder.h"
#include "acquisition/TelegramReceiver.h"
#include "decoders/FormatTable.h"
#include "simulation/PtyLine.h"
#include "simulation/TelegramGenerator.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kBenchPort = 400;
constexpr int kLatencySamples = 150;
constexpr int kCpuSeconds = 10;
constexpr int kCpuRate = 10;

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Notes when each telegram arrives and the reader thread's CPU time then.
class CTimingReceiver : public CTelegramReceiver {
public:
    void OnTelegramDecoded(const CReportBuilder&, const std::string& raw, const CTelegramIndex&,
                           const CTelegramRecord&) override
    {
        const auto now = Clock::now();
        const double cpu = ThreadCpuSeconds();
        std::lock_guard<std::mutex> lock(guard);
        if (raw.empty())
            return;  // a receive timeout, not a telegram
        arrivals.push_back(now);
        readerCpu.push_back(cpu);
        changed.notify_all();
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
};

void WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written > 0)
            done += static_cast<std::size_t>(written);
    }
}

double Percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    const std::size_t at = std::min(values.size() - 1, static_cast<std::size_t>(share * (values.size() - 1) + 0.5));
    return values[at];
}

} // namespace

int main()
{
    CPtyLine line;
    CPortMap::SetOverride(kBenchPort, line.SlavePath());
    CMemorySettingsStore store;
    store.WriteString("Port", "COM" + std::to_string(kBenchPort));
    store.WriteString("Config", "Config(115200,8,N,1)");
    store.WriteInt("Telegram", kTypeHpr418F);
    auto generator = CTelegramGenerator::Create(kTypeHpr418F);
    CTimingReceiver receiver;
    CTelegramDecoder controller(&receiver, &store);
    std::this_thread::sleep_for(500ms);  // the first pass opens the port

    // Latency: one telegram at a time, sent while the reader waits in a read.
    std::vector<double> latencyMs;
    for (int i = 0; i < kLatencySamples; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(120 + (i * 37) % 80));
        WriteAll(line.MasterFd(), generator->Next());
        const auto lastByte = Clock::now();
        if (!receiver.WaitFor(static_cast<std::size_t>(i + 1))) {
            std::fprintf(stderr, "telegram %d was not handed over\n", i + 1);
            return 1;
        }
        std::lock_guard<std::mutex> lock(receiver.guard);
        latencyMs.push_back(std::chrono::duration<double, std::milli>(receiver.arrivals.back() - lastByte).count());
    }
    std::printf("hand-off latency after the last byte, %d telegrams (HPR 418F):\n", kLatencySamples);
    std::printf("  median %.2f ms (%.2f ms beyond the 60 ms silence)\n", Percentile(latencyMs, 0.5),
                Percentile(latencyMs, 0.5) - 60.0);
    std::printf("  99th percentile %.2f ms (%.2f ms beyond)\n", Percentile(latencyMs, 0.99),
                Percentile(latencyMs, 0.99) - 60.0);
    std::printf("  min %.2f ms, max %.2f ms\n", Percentile(latencyMs, 0.0), Percentile(latencyMs, 1.0));

    // Cost: telegrams at a steady 10 per second.
    const std::size_t first = receiver.arrivals.size();
    const int telegrams = kCpuSeconds * kCpuRate;
    auto next = Clock::now();
    for (int i = 0; i < telegrams; ++i) {
        std::this_thread::sleep_until(next);
        WriteAll(line.MasterFd(), generator->Next());
        next += std::chrono::milliseconds(1000 / kCpuRate);
    }
    receiver.WaitFor(first + static_cast<std::size_t>(telegrams));
    std::lock_guard<std::mutex> lock(receiver.guard);
    const std::size_t last = receiver.arrivals.size() - 1;
    const double cpu = receiver.readerCpu[last] - receiver.readerCpu[first];
    const double seconds = std::chrono::duration<double>(receiver.arrivals[last] - receiver.arrivals[first]).count();
    const double perTelegramUs = cpu / static_cast<double>(last - first) * 1e6;
    std::printf("reader thread at %d telegrams per second: %zu telegrams in %.1f s\n", kCpuRate, last - first + 1,
                seconds);
    std::printf("  CPU %.1f us per telegram (%.3f %% of one core)\n", perTelegramUs, cpu / seconds * 100.0);
    return 0;
}
