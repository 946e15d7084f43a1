// Decoding speed of the three HPR 418 BCD messages, report and CSV row.
#include <string>

#include "bench/BenchSupport.h"
#include "decoders/Hpr418BcdGenerator.h"

namespace {

// The generator sends an SSBL position, an LBL position and a sequence in turn.
enum Message { kSsbl, kLbl, kSequence };

void BM_Hpr418Bcd(benchmark::State& state, Message message)
{
    CHpr418BcdGenerator generator;
    std::string telegram;
    for (int i = 0; i <= message; ++i)
        telegram = generator.Next();
    BenchmarkDecode(state, kTypeHpr418Bcd, telegram);
}

} // namespace

BENCHMARK_CAPTURE(BM_Hpr418Bcd, Ssbl, kSsbl);
BENCHMARK_CAPTURE(BM_Hpr418Bcd, Lbl, kLbl);
BENCHMARK_CAPTURE(BM_Hpr418Bcd, Sequence, kSequence);
