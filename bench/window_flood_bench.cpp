// The window flooded: a thread hands the document decoded HPR 418F
// telegrams, one index after another of VANTREL_BENCH_INDEXES (default
// 1,000, what the statistics keep rows for), at VANTREL_BENCH_RATE a second
// (default 5,000) for VANTREL_BENCH_SECONDS (default 60), far faster than
// the view shows them, with the main window and the tool windows open
// (BenchWindow.h), offscreen. Prints the memory that the most telegrams a
// window's queue holds take, the process's resident memory every 10 s and
// at the end, its peak, and what the models took and the view showed.
#include <QElapsedTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/DecodedTelegram.h"
#include "app/DeliveryQueue.h"
#include "bench/BenchWindow.h"
#include "clock/Tickwarden.h"
#include "decoders/FormatDecoder.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"

namespace {
constexpr int kHpr418F = 6;

long StatusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == field) {
            long kilobytes = 0;
            status >> kilobytes;
            return kilobytes;
        }
    }
    return -1;
}

// A decoded telegram of the generator's, renamed to an index of its own.
CSharedTelegram Telegram(CFormatDecoder& decoder, CTelegramGenerator& generator, long number)
{
    const CSharedTelegram decoded = DecodeRead(&decoder, generator.Next(), CTickwarden::GetPCMilliSecs());
    auto renamed = std::make_shared<CDecodedTelegram>(*decoded);
    renamed->index.SetReportIndex(1, "B" + std::to_string(number));
    return renamed;
}
} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir config;
    UseOffscreenPlatform(config);
    QApplication application(argc, argv);
    const int rate = BenchSetting("VANTREL_BENCH_RATE", 5000);
    const int seconds = BenchSetting("VANTREL_BENCH_SECONDS", 60);
    const int indexes = BenchSetting("VANTREL_BENCH_INDEXES", 1000);

    CBenchWindow window(false);
    CVantrelDoc& document = window.document;
    long shown = 0;
    QObject::connect(window.view, &CVantrelView::flashReceiveLight, [&shown] { ++shown; });
    QApplication::processEvents();
    std::printf("resident memory at the start: %ld kB\n", StatusKilobytes("VmRSS:"));
    std::atomic<long> sent{0};
    std::atomic<bool> done{false};
    std::thread reader([&] {
        std::unique_ptr<CFormatDecoder> decoder = CFormatTable::Create(kHpr418F);
        std::unique_ptr<CTelegramGenerator> generator = CTelegramGenerator::Create(kHpr418F);
        const auto start = std::chrono::steady_clock::now();
        const long total = static_cast<long>(rate) * seconds;
        for (long number = 0; number < total; ++number) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(number * 1000000 / rate));
            document.OnTelegramDecoded(Telegram(*decoder, *generator, number % indexes));
            ++sent;
        }
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    qint64 nextReport = 10000;
    while (!done) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        if (clock.elapsed() >= nextReport) {
            std::printf("  %3lld s: %ld sent, resident %ld kB\n", nextReport / 1000, sent.load(),
                        StatusKilobytes("VmRSS:"));
            std::fflush(stdout);
            nextReport += 10000;
        }
    }
    reader.join();
    // What was still on its way.
    for (int i = 0; i < 20; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    const std::uint64_t taken = document.Models()->Statistics().Rows().back().telegrams;
    std::printf("%d telegrams/s for %d s: %ld sent, %llu taken by the models, %ld shown by the view\n", rate,
                seconds, sent.load(), static_cast<unsigned long long>(taken), shown);
    std::printf("resident memory at the end: %ld kB, peak %ld kB\n", StatusKilobytes("VmRSS:"),
                StatusKilobytes("VmHWM:"));
    {
        // What the queue to a window that does not answer holds at most.
        std::unique_ptr<CFormatDecoder> decoder = CFormatTable::Create(kHpr418F);
        std::unique_ptr<CTelegramGenerator> generator = CTelegramGenerator::Create(kHpr418F);
        const long before = StatusKilobytes("VmRSS:");
        std::vector<CSharedTelegram> waiting;
        for (std::size_t number = 0; number < CDeliveryQueue::kMaxWaiting; ++number)
            waiting.push_back(Telegram(*decoder, *generator, static_cast<long>(number)));
        std::printf("%zu telegrams waiting hold %ld kB\n", waiting.size(), StatusKilobytes("VmRSS:") - before);
    }
    document.OnCloseDocument();
    return 0;
}
