// Decoding speed of the HPR 309 transponder telegram, report and CSV row.
#include "bench/BenchSupport.h"
#include "decoders/Hpr309Generator.h"

namespace {

void BM_Hpr309_Transponder(benchmark::State& state)
{
    CHpr309Generator generator;
    BenchmarkDecode(state, kTypeHpr309, generator.Next());
}

} // namespace

BENCHMARK(BM_Hpr309_Transponder);
