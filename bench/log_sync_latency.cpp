// What synchronising the logs to the disk costs the reader thread: the time
// one telegram's logging takes (count, raw bytes, decode and CSV row, flush)
// on real files, with the logs flushed only, with the once-a-second sync on
// the logs' own thread (as the program runs), and, for comparison, with the
// same fdatasync done by the reader itself once a second. --load adds a
// writer that keeps the same disk busy, where a sync can take long.
//
//   vantrel_logsync_bench [FOLDER] [--seconds S] [--rate HZ] [--load]
//
// FOLDER (default: the current folder) should be on the disk the logs go to;
// a memory file system syncs at once and shows nothing.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/DiskSync.h"
#include "clock/Tickwarden.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct CBenchOptions {
    std::string folder = ".";
    double seconds = 10.0;
    double rate = 50.0;
    bool load = false;
};

enum class SyncMode { FlushOnly, SyncThread, SyncOnReader };

const char* NameOf(SyncMode mode)
{
    switch (mode) {
    case SyncMode::FlushOnly:
        return "flush only";
    case SyncMode::SyncThread:
        return "sync thread";
    case SyncMode::SyncOnReader:
        return "sync on reader";
    }
    return "";
}

double Micros(Clock::duration duration)
{
    return std::chrono::duration<double, std::micro>(duration).count();
}

// Keeps the disk busy: 4 MiB written and synchronised again and again.
class CDiskLoad {
public:
    explicit CDiskLoad(const std::string& path) : file(path), writer([this] { Run(); }) {}
    ~CDiskLoad()
    {
        stop = true;
        writer.join();
        std::filesystem::remove(file);
    }

private:
    void Run()
    {
        const std::vector<char> chunk(4 << 20, 'x');
        while (!stop) {
            std::FILE* out = std::fopen(file.c_str(), "w");
            if (!out)
                return;
            for (int i = 0; i < 16 && !stop; ++i) {
                std::fwrite(chunk.data(), 1, chunk.size(), out);
                std::fflush(out);
                ::fsync(fileno(out));
            }
            std::fclose(out);
        }
    }

    std::string file;
    std::atomic<bool> stop{false};
    std::thread writer;
};

struct CRun {
    std::vector<double> telegramMicros;
    double closeMicros = 0;
};

CRun RunMode(SyncMode mode, const CBenchOptions& options)
{
    const std::string csvPath = (std::filesystem::path(options.folder) / "vantrel-logsync-bench.csv").string();
    auto decoder = CFormatTable::Create(kTypeHpr418F);
    auto generator = CTelegramGenerator::Create(kTypeHpr418F);
    std::vector<FileSyncer> readerSyncers;
    if (mode == SyncMode::SyncThread) {
        decoder->SetDiskSyncer(&DataSyncerFor);
    } else if (mode == SyncMode::SyncOnReader) {
        // The reader keeps the real syncers; the logs' own thread gets none to call.
        decoder->SetDiskSyncer([&readerSyncers](std::FILE* file) {
            readerSyncers.push_back(DataSyncerFor(file));
            return FileSyncer([] { return std::string(); });
        });
    }
    if (!decoder->OpenLogs(csvPath).Ok()) {
        std::fprintf(stderr, "cannot create the logs in %s\n", options.folder.c_str());
        std::exit(1);
    }
    CRun run;
    const auto period = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / options.rate));
    const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(options.seconds));
    auto lastReaderSync = Clock::now();
    for (auto next = Clock::now(); next < end; next += period) {
        std::this_thread::sleep_until(next);
        const std::string telegram = generator->Next();
        CReportBuilder report;
        CTelegramIndex index;
        double receiveTime = CTickwarden::GetPCMilliSecs();
        const auto start = Clock::now();
        decoder->CountTelegram();
        decoder->WriteRaw(telegram);
        decoder->Decode(telegram, report, receiveTime, index);
        if (mode == SyncMode::SyncOnReader && Clock::now() - lastReaderSync >= 1s) {
            lastReaderSync = Clock::now();
            for (const FileSyncer& sync : readerSyncers)
                sync();
        }
        run.telegramMicros.push_back(Micros(Clock::now() - start));
    }
    const auto closing = Clock::now();
    decoder->CloseLogs();
    run.closeMicros = Micros(Clock::now() - closing);
    if (decoder->HasLogWriteError())
        std::fprintf(stderr, "the logs failed: %s\n", decoder->GetLogWriteError().c_str());
    std::filesystem::remove(csvPath);
    std::filesystem::remove(CFormatDecoder::RawPathFor(csvPath));
    return run;
}

double Quantile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(q * static_cast<double>(values.size())))];
}

bool ParseArguments(int argc, char** argv, CBenchOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--load") {
            options.load = true;
        } else if ((arg == "--seconds" || arg == "--rate") && i + 1 < argc) {
            const double value = std::atof(argv[++i]);
            if (!(value > 0))
                return false;
            (arg == "--seconds" ? options.seconds : options.rate) = value;
        } else if (arg[0] != '-') {
            options.folder = arg;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    CBenchOptions options;
    if (!ParseArguments(argc, argv, options)) {
        std::fputs("usage: vantrel_logsync_bench [FOLDER] [--seconds S] [--rate HZ] [--load]\n", stderr);
        return 2;
    }
    std::printf("logging of one HPR 418F telegram on the reader, %.0f telegrams/s for %.0f s per mode,\n"
                "logs in %s%s\n\n",
                options.rate, options.seconds, options.folder.c_str(), options.load ? ", disk kept busy" : "");
    std::printf("%-16s %10s %10s %10s %12s\n", "mode", "median us", "p99 us", "max us", "close us");
    std::unique_ptr<CDiskLoad> load;
    if (options.load)
        load = std::make_unique<CDiskLoad>((std::filesystem::path(options.folder) / "vantrel-logsync-load").string());
    for (SyncMode mode : {SyncMode::FlushOnly, SyncMode::SyncThread, SyncMode::SyncOnReader}) {
        const CRun run = RunMode(mode, options);
        std::printf("%-16s %10.0f %10.0f %10.0f %12.0f\n", NameOf(mode), Quantile(run.telegramMicros, 0.5),
                    Quantile(run.telegramMicros, 0.99), Quantile(run.telegramMicros, 1.0), run.closeMicros);
        std::fflush(stdout);
    }
    return 0;
}
