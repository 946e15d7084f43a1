// A capture played into the window at 100 times its recorded pace, every
// tool window open, offscreen: the longest the event loop was kept from a
// 10 ms timer (goal: never more than 50 ms), how long the capture took and
// the telegrams shown a second. The capture is 20 telegrams a second of
// every format in turn, recorded over VANTREL_BENCH_MINUTES (default 5).
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "app/CapturePlayer.h"
#include "bench/BenchWindow.h"
#include "clock/WallTime.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"

namespace {
constexpr int kTelegramsPerSecond = 20;
constexpr int kTickMs = 10;

std::string Hex(const std::string& bytes)
{
    std::ostringstream text;
    for (unsigned char byte : bytes)
        text << std::hex << std::uppercase << std::setw(2) << std::setfill('0') << int(byte);
    return text.str();
}

// One format's telegrams as the monitor records them.
int WriteCapture(const std::string& path, const CFormatEntry& format, int minutes)
{
    std::ofstream file(path);
    auto generator = format.makeGenerator();
    const std::int64_t start = 1772331120000;
    const int reads = minutes * 60 * kTelegramsPerSecond;
    for (int read = 0; read < reads; ++read) {
        const CWallTime time{start + read * (1000 / kTelegramsPerSecond), 60};
        file << R"({"time":")" << time.IsoText() << R"(","format":")" << format.name << R"(","raw":")"
             << Hex(generator->Next()) << "\"}\n";
    }
    return reads;
}
} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir config;
    UseOffscreenPlatform(config);
    QApplication application(argc, argv);
    const int minutes = BenchSetting("VANTREL_BENCH_MINUTES", 5);

    CBenchWindow window(true);
    CVantrelDoc& document = window.document;

    std::printf("%-12s %8s %10s %12s %16s\n", "format", "reads", "seconds", "shown/s", "longest block ms");
    for (const CFormatEntry& format : CFormatTable::Formats()) {
        const std::string path = config.path().toStdString() + "/" + format.key + ".jsonl";
        const int reads = WriteCapture(path, format, minutes);
        if (!document.OpenCapture({QString::fromStdString(path)}))
            return 1;
        CCapturePlayer* capture = document.Capture();
        capture->SetSpeed(CCapturePlayer::Speed::Hundred);

        QElapsedTimer sinceTick;
        qint64 longestBlockMs = 0;
        QTimer ticker;
        ticker.setInterval(kTickMs);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestBlockMs = std::max(longestBlockMs, sinceTick.restart() - kTickMs);
        });
        QElapsedTimer played;
        played.start();
        sinceTick.start();
        ticker.start();
        while (!capture->HasEnded())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        ticker.stop();
        const double seconds = played.elapsed() / 1000.0;
        std::printf("%-12s %8d %10.1f %12.0f %16lld\n", format.name, reads, seconds, reads / seconds,
                    static_cast<long long>(longestBlockMs));
        std::fflush(stdout);
        document.CloseCapture();
    }
    document.OnCloseDocument();
    return 0;
}
