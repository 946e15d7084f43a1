// Decoding speed of HPR 418 telegrams of both variants: an SSBL reply of an
// inclinometer transponder (the longest SSBL telegram) and an LBL position.
#include <string>

#include "bench/BenchSupport.h"
#include "decoders/Hpr418Generator.h"

namespace {

// The generator sends SSBL replies with tp_type 0 to 3, then an LBL position.
std::string GeneratedTelegram(bool variantF, int position)
{
    CHpr418Generator generator(variantF);
    std::string telegram;
    for (int i = 0; i <= position; ++i)
        telegram = generator.Next();
    return telegram;
}

constexpr int kInclinometerSsbl = 2;
constexpr int kLbl = 4;

void BM_Hpr418D_Ssbl(benchmark::State& state)
{
    BenchmarkDecode(state, kTypeHpr418D, GeneratedTelegram(false, kInclinometerSsbl));
}

void BM_Hpr418D_Lbl(benchmark::State& state)
{
    BenchmarkDecode(state, kTypeHpr418D, GeneratedTelegram(false, kLbl));
}

void BM_Hpr418F_Ssbl(benchmark::State& state)
{
    BenchmarkDecode(state, kTypeHpr418F, GeneratedTelegram(true, kInclinometerSsbl));
}

void BM_Hpr418F_Lbl(benchmark::State& state)
{
    BenchmarkDecode(state, kTypeHpr418F, GeneratedTelegram(true, kLbl));
}

} // namespace

BENCHMARK(BM_Hpr418D_Ssbl);
BENCHMARK(BM_Hpr418D_Lbl);
BENCHMARK(BM_Hpr418F_Ssbl);
BENCHMARK(BM_Hpr418F_Lbl);
