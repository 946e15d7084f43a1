// JSON lines per second as `vantrel-cli decode --json` writes them: for
// every format, generated telegrams of each message kind, formatted from
// their records to JSON lines (JsonLine/KEY) and decoded and formatted
// together (DecodeJsonLine/KEY), each line written to /dev/null.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "clock/Tickwarden.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "tools/JsonLinePrinter.h"

namespace {

constexpr std::size_t kTelegrams = 64;  // enough to go round every message kind a generator sends

CSharedTelegram Decode(CFormatDecoder& decoder, const std::string& raw)
{
    return DecodeRead(&decoder, raw, CTickwarden::GetPCMilliSecs());
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

// One format's generated telegrams, its decoder, its printer and the sink.
struct CFormatBench {
    explicit CFormatBench(int typeCode)
        : decoder(CFormatTable::Create(typeCode)), printer(CFormatTable::TypeName(typeCode))
    {
        if (auto generator = CTelegramGenerator::Create(typeCode)) {
            for (std::size_t i = 0; i < kTelegrams; ++i)
                raws.push_back(generator->Next());
        }
    }

    bool Ready(benchmark::State& state) const
    {
        if (decoder && !raws.empty() && out.Open())
            return true;
        state.SkipWithError("no generator or decoder for this type");
        return false;
    }

    std::unique_ptr<CFormatDecoder> decoder;
    const CJsonLinePrinter printer;
    std::vector<std::string> raws;
    CNullOutput out;
};

void JsonLine(benchmark::State& state, int typeCode)
{
    CFormatBench bench(typeCode);
    if (!bench.Ready(state))
        return;
    std::vector<CSharedTelegram> telegrams;
    for (std::size_t i = 0; i < kTelegrams; ++i)
        telegrams.push_back(Decode(*bench.decoder, bench.raws[i]));
    std::size_t next = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string line = bench.printer.Text(*telegrams[next++ % kTelegrams]);
        bytes += line.size();
        bench.out.Write(line);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

void DecodeJsonLine(benchmark::State& state, int typeCode)
{
    CFormatBench bench(typeCode);
    if (!bench.Ready(state))
        return;
    std::size_t next = 0;
    for (auto _ : state)
        bench.out.Write(bench.printer.Text(*Decode(*bench.decoder, bench.raws[next++ % kTelegrams])));
    state.SetItemsProcessed(state.iterations());
}

// Every format of the table, by its key: JsonLine/hpr418f, DecodeJsonLine/hpr418f, ...
const bool kRegistered = [] {
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        const std::string key = format.key;
        benchmark::RegisterBenchmark(("JsonLine/" + key).c_str(), JsonLine, format.code);
        benchmark::RegisterBenchmark(("DecodeJsonLine/" + key).c_str(), DecodeJsonLine, format.code);
    }
    return true;
}();

} // namespace
