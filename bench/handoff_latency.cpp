// How long a telegram takes from its last byte on the line to the hand-off,
// and what the reader thread costs per telegram, measured on a
// pseudo-terminal with the whole controller (port, framing, decoding).
// The hand-off cannot come before the 60 ms of silence that ends a
// telegram; the goal is at most 5 ms on top of that.
#include <unistd.h>

#include "bench/HandoffTiming.h"
#include "simulation/PtyLine.h"

namespace {

void WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written > 0)
            done += static_cast<std::size_t>(written);
    }
}

} // namespace

using namespace std::chrono_literals;

int main()
{
    CPtyLine line;
    handoff::CHandoffBench bench(line.SlavePath());
    std::this_thread::sleep_for(500ms);  // the first pass opens the port
    const auto send = [&line](const std::string& telegram) { WriteAll(line.MasterFd(), telegram); };

    std::vector<double> latencyMs;
    if (!bench.MeasureLatency(send, latencyMs))
        return 1;
    handoff::PrintLatency("hand-off latency after the write of a telegram", latencyMs, 60.0);
    bench.MeasureReaderCpu(send);
    return 0;
}
