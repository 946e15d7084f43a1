// How long a telegram takes from its send on a network line to the
// controller's hand-off, and what the reader thread costs per telegram at
// 10 telegrams per second, with the whole controller (line, framing,
// decoding) on the loopback interface, the simulator's own UDP sender and
// TCP server at the other end.
//
// A datagram is one telegram, handed off as it arrives: the goal is a median
// under 1 ms and a 99th percentile under 5 ms. A TCP stream is framed like
// a serial line, so its hand-off comes only after the 60 ms of silence that
// end a telegram; its figures say how far beyond that it comes.
//
// A UDP line must keep up with bursts: 2000 datagrams a second for 10 s,
// then 1000 sent back to back, none of them lost.
//
//   vantrel_network_bench [udp|tcp|burst]      (default: all three)
#include <string>

#include "bench/HandoffTiming.h"
#include "simulation/HostPort.h"
#include "simulation/TcpTelegramServer.h"
#include "simulation/UdpTelegramSender.h"
#include "tests/support/LoopbackPeers.h"

using namespace std::chrono_literals;

namespace {

// Sends through a sink of the simulator, which is never asked to stop here.
handoff::CHandoffBench::SendTelegram SendingThrough(CTelegramSink& sink)
{
    return [&sink](const std::string& telegram) {
        std::string error;
        if (!sink.Send(telegram, [] { return false; }, error))
            std::fprintf(stderr, "sending failed: %s\n", error.c_str());
    };
}

bool Measure(const char* what, handoff::CHandoffBench& bench, CTelegramSink& sink, double framingMs)
{
    std::vector<double> latencyMs;
    if (!bench.MeasureLatency(SendingThrough(sink), latencyMs))
        return false;
    handoff::PrintLatency(what, latencyMs, framingMs);
    bench.MeasureReaderCpu(SendingThrough(sink));
    return true;
}

bool MeasureUdp()
{
    const CHostPort line{"127.0.0.1", FreeUdpPort()};
    CUdpTelegramSender sender(line.Resolve(SOCK_DGRAM));
    handoff::CHandoffBench bench("udp://" + line.Text());
    std::this_thread::sleep_for(500ms);  // the first pass binds the port
    return Measure("UDP: hand-off latency after the send of a datagram", bench, sender, 0.0);
}

bool MeasureUdpBursts()
{
    const CHostPort line{"127.0.0.1", FreeUdpPort()};
    CUdpTelegramSender sender(line.Resolve(SOCK_DGRAM));
    handoff::CHandoffBench bench("udp://" + line.Text());
    std::this_thread::sleep_for(500ms);  // the first pass binds the port
    const auto send = SendingThrough(sender);
    bool ok = bench.MeasureDelivery("UDP: 2000 datagrams per second for 10 s", send, 2000, 20000);
    std::this_thread::sleep_for(500ms);
    ok = bench.MeasureDelivery("UDP: a burst of 1000 datagrams back to back", send, 0, 1000) && ok;
    return ok;
}

bool MeasureTcp()
{
    CTcpTelegramServer server(CHostPort{"127.0.0.1", 0}.Resolve(SOCK_STREAM));
    handoff::CHandoffBench bench("tcp://" + CHostPort::Of(server.LocalAddress()).Text());
    const auto giveUp = handoff::Clock::now() + 10s;
    if (!server.WaitUntilReady([&] { return handoff::Clock::now() > giveUp; })) {
        std::fprintf(stderr, "the controller did not connect\n");
        return false;
    }
    return Measure("TCP: hand-off latency after the send, 60 ms of silence framing each telegram", bench, server,
                   60.0);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string only = argc > 1 ? argv[1] : "";
    bool ok = true;
    if (only.empty() || only == "udp")
        ok = MeasureUdp() && ok;
    if (only.empty() || only == "tcp")
        ok = MeasureTcp() && ok;
    if (only.empty() || only == "burst")
        ok = MeasureUdpBursts() && ok;
    return ok ? 0 : 1;
}
