// How late a telegram reaches the decoder: on a pseudo-terminal, the time
// from the last byte written to the return of the read that holds it, with
// the 60 ms silence that ends a telegram. The goal is 60 ms plus at most
// 5 ms. Also the processor time one such read costs.
//
//   vantrel_serial_bench [telegrams]      (default 50)
#include <time.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/PortMap.h"
#include "acquisition/SerialPort.h"
#include "tests/support/PseudoTerminal.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBenchPort = 250;

double ThreadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double Percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const std::size_t index = std::min(values.size() - 1, static_cast<std::size_t>(fraction * static_cast<double>(values.size())));
    return values[index];
}

// A 40-byte binary telegram, the size of the usual position replies.
std::string Telegram(int number)
{
    std::string bytes(40, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((number * 31 + static_cast<int>(i)) & 0xFF);
    return bytes;
}

struct CSample {
    double latencyMs = 0.0;
    double cpuMs = 0.0;
};

}  // namespace

int main(int argc, char** argv)
{
    const int telegrams = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    CPseudoTerminal line;
    CPortMap::SetOverride(kBenchPort, line.SlavePath());
    CSerialPort port;
    port.Open(kBenchPort, 9600, CSerialPort::kParityNone, 8, CSerialPort::kStopBitsOne, CSerialPort::kFlowNone);
    COMMTIMEOUTS timeouts;
    timeouts.ReadIntervalTimeout = 60;
    timeouts.ReadTotalTimeoutMultiplier = 1;
    timeouts.ReadTotalTimeoutConstant = 2000;
    port.SetTimeouts(timeouts);

    std::mutex mutex;
    std::condition_variable changed;
    int written = 0;
    int read = 0;
    std::vector<Clock::time_point> lastByte(static_cast<std::size_t>(telegrams));

    // The positioning system: one telegram once the reader is waiting for it.
    std::thread sender([&] {
        for (int i = 0; i < telegrams; ++i) {
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return read == i; });
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            line.Write(Telegram(i));
            const auto sent = Clock::now();
            {
                const std::lock_guard lock(mutex);
                lastByte[static_cast<std::size_t>(i)] = sent;
                written = i + 1;
            }
            changed.notify_all();
        }
    });

    std::vector<CSample> samples;
    std::vector<char> buffer(256);
    for (int i = 0; i < telegrams; ++i) {
        const double cpuBefore = ThreadCpuMs();
        const std::size_t count = port.Read(buffer.data(), buffer.size());
        const auto returned = Clock::now();
        const double cpuMs = ThreadCpuMs() - cpuBefore;
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return written > i; });
        if (count != Telegram(i).size())
            std::fprintf(stderr, "telegram %d: %zu bytes read\n", i, count);
        const std::chrono::duration<double, std::milli> latency = returned - lastByte[static_cast<std::size_t>(i)];
        samples.push_back({latency.count(), cpuMs});
        read = i + 1;
        changed.notify_all();
    }
    sender.join();
    CPortMap::ClearOverride(kBenchPort);

    std::vector<double> latencies;
    std::vector<double> cpu;
    for (const CSample& sample : samples) {
        latencies.push_back(sample.latencyMs);
        cpu.push_back(sample.cpuMs);
    }
    std::printf("telegrams                         %d\n", telegrams);
    std::printf("last byte to read returned, ms    median %.2f  p99 %.2f  max %.2f  (goal <= 65)\n",
                Percentile(latencies, 0.5), Percentile(latencies, 0.99), Percentile(latencies, 1.0));
    std::printf("processor time per read, ms       median %.3f  p99 %.3f\n", Percentile(cpu, 0.5),
                Percentile(cpu, 0.99));
    return 0;
}
