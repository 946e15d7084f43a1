// JSON lines per second as `vantrel-cli decode --json` writes them: for
// every format, generated telegrams of each message kind, formatted from
// their records to JSON lines (JsonLine_*) and decoded and formatted
// together (DecodeJsonLine_*), each line written to /dev/null.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "clock/Tickwarden.h"
#include "decoders/FormatTable.h"
#include "simulation/TelegramGenerator.h"
#include "tools/JsonLinePrinter.h"

namespace {

constexpr std::size_t kTelegrams = 64;  // enough to go round every message kind a generator sends

struct CDecodedTelegram {
    std::string raw;
    CReportBuilder report;
    CTelegramIndex index;
    CTelegramRecord record;
};

void Decode(CFormatDecoder& decoder, CDecodedTelegram& telegram)
{
    double receiveTime = CTickwarden::GetPCMilliSecs();
    telegram.index.receiveTime = receiveTime;
    decoder.CountTelegram();
    decoder.Decode(telegram.raw, telegram.report, receiveTime, telegram.index);
    telegram.record = decoder.TakeRecord();
}

// Writes like decode does, to a sink that costs nothing.
class CNullOutput {
public:
    CNullOutput() : file(std::fopen("/dev/null", "wb")) {}
    ~CNullOutput()
    {
        if (file)
            std::fclose(file);
    }
    void Write(const std::string& line) { std::fwrite(line.data(), 1, line.size(), file); }
    bool Open() const { return file != nullptr; }

private:
    std::FILE* file;
};

void JsonLine(benchmark::State& state, int typeCode)
{
    auto generator = CTelegramGenerator::Create(typeCode);
    auto decoder = CFormatTable::Create(typeCode);
    CNullOutput out;
    if (!generator || !decoder || !out.Open()) {
        state.SkipWithError("no generator or decoder for this type");
        return;
    }
    std::vector<CDecodedTelegram> telegrams(kTelegrams);
    for (CDecodedTelegram& telegram : telegrams) {
        telegram.raw = generator->Next();
        Decode(*decoder, telegram);
    }
    const CJsonLinePrinter printer(CFormatTable::TypeName(typeCode));
    std::size_t next = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const CDecodedTelegram& telegram = telegrams[next++ % kTelegrams];
        const std::string line = printer.Text(telegram.report, telegram.raw, telegram.index, telegram.record);
        bytes += line.size();
        out.Write(line);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void DecodeJsonLine(benchmark::State& state, int typeCode)
{
    auto generator = CTelegramGenerator::Create(typeCode);
    auto decoder = CFormatTable::Create(typeCode);
    CNullOutput out;
    if (!generator || !decoder || !out.Open()) {
        state.SkipWithError("no generator or decoder for this type");
        return;
    }
    std::vector<std::string> raws(kTelegrams);
    for (std::string& raw : raws)
        raw = generator->Next();
    const CJsonLinePrinter printer(CFormatTable::TypeName(typeCode));
    std::size_t next = 0;
    for (auto _ : state) {
        CDecodedTelegram telegram;
        telegram.raw = raws[next++ % kTelegrams];
        Decode(*decoder, telegram);
        out.Write(printer.Text(telegram.report, telegram.raw, telegram.index, telegram.record));
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK_CAPTURE(JsonLine, Hpr309, kTypeHpr309);
BENCHMARK_CAPTURE(JsonLine, Hpr418D, kTypeHpr418D);
BENCHMARK_CAPTURE(JsonLine, ZaqAscii, kTypeZaqAscii);
BENCHMARK_CAPTURE(JsonLine, Hpr418Bcd, kTypeHpr418Bcd);
BENCHMARK_CAPTURE(JsonLine, Nmea, kTypeNmea);
BENCHMARK_CAPTURE(JsonLine, Hpr418F, kTypeHpr418F);
BENCHMARK_CAPTURE(DecodeJsonLine, Hpr309, kTypeHpr309);
BENCHMARK_CAPTURE(DecodeJsonLine, Hpr418D, kTypeHpr418D);
BENCHMARK_CAPTURE(DecodeJsonLine, ZaqAscii, kTypeZaqAscii);
BENCHMARK_CAPTURE(DecodeJsonLine, Hpr418Bcd, kTypeHpr418Bcd);
BENCHMARK_CAPTURE(DecodeJsonLine, Nmea, kTypeNmea);
BENCHMARK_CAPTURE(DecodeJsonLine, Hpr418F, kTypeHpr418F);
