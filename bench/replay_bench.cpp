// Replay as fast as possible: a day's capture of `monitor --json` (20
// telegrams a second) and the same day as raw and CSV logs, played through
// the decoder and the line's models; prints the reads a second of the
// index pass and of each replay. A plain program:
//   vantrel_replay_bench [READS] [TYPE]      (default 1700000 reads, type 4)
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "decoders/FormatDecoder.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "models/LineModels.h"
#include "replay/Replayer.h"
#include "replay/SessionIndex.h"
#include "tools/JsonLinePrinter.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::int64_t kStepMs = 50;  // 20 telegrams a second

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Feeds the line's models as the window and the monitor do, and counts.
class CModelsReceiver : public CTelegramReceiver {
public:
    void OnTelegramDecoded(const CSharedTelegram& telegram) override
    {
        models.Add(*telegram);
        ++count;
    }
    CLineModels models;
    std::uint64_t count = 0;
};

// Writes the capture and the logs of `reads` generated telegrams.
void Record(int typeCode, std::uint64_t reads, const std::filesystem::path& folder)
{
    std::unique_ptr<CTelegramGenerator> generator = CTelegramGenerator::Create(typeCode);
    std::unique_ptr<CFormatDecoder> decoder = CFormatTable::Create(typeCode);
    decoder->OpenLogs((folder / "day.csv").string());
    const CJsonLinePrinter printer(CFormatTable::TypeName(typeCode));
    std::ofstream capture(folder / "day.jsonl", std::ios::binary);
    const std::int64_t start = CWallTime::FromLocal(2026, 12, 9, 0, 0, 0, 0)->utcMilliseconds;
    for (std::uint64_t i = 0; i < reads; ++i) {
        const CWallTime time = CWallTime::InLocalZone(start + static_cast<std::int64_t>(i) * kStepMs);
        capture << printer.Text(*DecodeRecordedRead(decoder.get(), generator->Next(), time));
    }
    decoder->CloseLogs();
}

void Play(const char* what, const std::string& file, int typeCode, std::uint64_t reads)
{
    CReplaySession::COptions options;
    options.typeCode = typeCode;
    std::uint64_t messages = 0;
    const auto count = [&messages](const CReplayMessage&) { ++messages; };

    CReplaySession indexed({file}, options);
    auto start = Clock::now();
    const std::optional<CSessionIndex> index = CSessionIndex::Build(indexed, count);
    const double indexSeconds = SecondsSince(start);

    CModelsReceiver receiver;
    CReplayer player(CReplaySession({file}, options), typeCode, receiver, nullptr);
    player.SetSpeed(0.0);
    start = Clock::now();
    player.Play();
    player.WaitUntilEnded();
    const double playSeconds = SecondsSince(start);
    std::printf("%-28s %9llu reads  index %6.1f s (%8.0f reads/s)  replay %6.1f s (%8.0f reads/s)%s\n", what,
                static_cast<unsigned long long>(receiver.count), indexSeconds,
                static_cast<double>(index ? index->Reads() : 0) / indexSeconds, playSeconds,
                static_cast<double>(receiver.count) / playSeconds,
                receiver.count == reads && messages == 0 ? "" : "  (reads lost or messages told!)");
}

} // namespace

int main(int argc, char** argv)
{
    const std::uint64_t reads = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'700'000;
    const int typeCode = argc > 2 ? std::atoi(argv[2]) : 4;
    if (!CFormatTable::Find(typeCode) || reads == 0) {
        std::fprintf(stderr, "usage: vantrel_replay_bench [READS] [TYPE]\n");
        return 2;
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("vantrel-replay-bench-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(folder);
    auto start = Clock::now();
    Record(typeCode, reads, folder);
    std::printf("%s, %llu reads recorded in %.1f s: capture %.0f MB, raw log %.0f MB, CSV log %.0f MB\n",
                CFormatTable::TypeName(typeCode), static_cast<unsigned long long>(reads), SecondsSince(start),
                std::filesystem::file_size(folder / "day.jsonl") / 1e6, std::filesystem::file_size(folder / "day.raw") / 1e6,
                std::filesystem::file_size(folder / "day.csv") / 1e6);
    Play("capture (monitor --json)", (folder / "day.jsonl").string(), typeCode, reads);
    Play("raw log with its CSV log", (folder / "day.raw").string(), typeCode, reads);
    std::filesystem::remove_all(folder);
    return 0;
}
