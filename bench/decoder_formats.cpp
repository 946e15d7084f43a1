// Decode plus CSV row per telegram, with the CSV log open on a real file,
// the way the reader thread works while logging: for every format of the
// table, a generated telegram of each message kind its generator sends
// (Decode/hpr418f/Ssbl, Decode/hpr418f/Lbl, ...).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "clock/Tickwarden.h"
#include "decoders/FormatTable.h"

namespace {

void Decode(benchmark::State& state, const CFormatEntry* format, const std::string& telegram)
{
    const std::string csvPath =
        (std::filesystem::temp_directory_path() / ("vantrel-bench-" + std::string(format->key) + ".csv")).string();
    auto decoder = format->makeDecoder();
    decoder->OpenLogs(csvPath);
    for (auto _ : state) {
        CReportBuilder report;
        CTelegramIndex index;
        double receiveTime = CTickwarden::GetPCMilliSecs();
        decoder->CountTelegram();
        decoder->WriteRaw(telegram);
        decoder->Decode(telegram, report, receiveTime, index);
        benchmark::DoNotOptimize(report.GetDocument());
    }
    state.SetItemsProcessed(state.iterations());
    decoder->CloseLogs();
    std::filesystem::remove(csvPath);
    std::filesystem::remove(CFormatDecoder::RawPathFor(csvPath));
}

// The telegram a fresh generator sends after the given number of others.
std::string GeneratedTelegram(const CFormatEntry& format, unsigned telegramsBefore)
{
    auto generator = format.makeGenerator();
    for (unsigned i = 0; i < telegramsBefore; ++i)
        generator->Next();
    return generator->Next();
}

const bool kRegistered = [] {
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        for (const CGeneratedKind& kind : format.makeGenerator()->MessageKinds()) {
            const std::string name = "Decode/" + std::string(format.key) + "/" + kind.name;
            benchmark::RegisterBenchmark(name.c_str(), Decode, &format, GeneratedTelegram(format, kind.telegramsBefore));
        }
    }
    return true;
}();

} // namespace
