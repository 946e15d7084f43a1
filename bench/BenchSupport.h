#pragma once
// Decode plus CSV row per telegram, with the CSV log open on a real file,
// the way the reader thread works while logging.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "clock/Tickwarden.h"
#include "decoders/FormatTable.h"

inline void BenchmarkDecode(benchmark::State& state, int typeCode, const std::string& telegram)
{
    const std::string csvPath =
        (std::filesystem::temp_directory_path() / ("vantrel-bench-" + std::to_string(typeCode) + ".csv")).string();
    auto decoder = CFormatTable::Create(typeCode);
    if (!decoder) {
        state.SkipWithError("no decoder for this type");
        return;
    }
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
