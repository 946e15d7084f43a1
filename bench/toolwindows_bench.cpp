// Figures for the tool windows: the timing window's tick with many indexes,
// and the hex view's append and repaint with little and with much stored,
// plus the memory the process holds with 100 MB in the hex view; the
// position plot's refresh and repaint with 10 indexes of 1,000 fixes, and
// the statistics window's refresh. Runs offscreen and prints the figures.
// With VANTREL_BENCH_PLOT=PATH.png it also saves the plot it measured.
#include <QApplication>
#include <QImage>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "app/PositionPlotDlg.h"
#include "app/TelegramStatisticsDlg.h"
#include "app/TimingDiagnosticsDlg.h"
#include "app/VantrelDoc.h"
#include "app/widgets/HexEdit.h"
#include "app/widgets/PlanView.h"
#include "clock/Tickwarden.h"

namespace {

// Mean time of one call in microseconds over `repeats` calls.
double MeanMicroseconds(int repeats, const std::function<void()>& call)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeats; ++i)
        call();
    const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / repeats;
}

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
        if (word == "VmRSS:") {
            long kilobytes = 0;
            status >> kilobytes;
            return kilobytes;
        }
    }
    return -1;
}

std::string Telegram(std::size_t size, int seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 31 + seed) & 0xFF);
    return bytes;
}

void BenchTimingTick()
{
    auto ages = std::make_shared<CTimingAges>();
    CTimingDiagnosticsDlg window(ages);
    window.show();
    const double now = CTickwarden::GetPCMilliSecs();
    for (int i = 0; i < 1000; ++i) {
        CTelegramIndex record;
        record.SetIndex(i % 2, std::to_string(i));
        record.receiveTime = now - i * 7.0;
        ages->Add(record);
    }
    const double tick = MeanMicroseconds(2000, [&] { window.Refresh(); });
    CTelegramIndex last;
    last.SetIndex(1, "999");
    const double receive = MeanMicroseconds(20000, [&] {
        last.receiveTime = CTickwarden::GetPCMilliSecs();
        ages->Add(last);
    });
    std::printf("timing window, 1,000 indexes tracked: tick %.1f us, record for the last index %.2f us\n", tick,
                receive);
}

void BenchHexView(std::size_t stored, const char* label)
{
    CHexEdit view;
    view.SetProperty(CHexEdit::kBytesPerLineProperty, 10);
    view.resize(352, 244);
    view.show();
    const std::string block = Telegram(256, 1);
    const long residentBefore = ResidentKilobytes();
    // Telegrams arrive between passes of the event loop, as on the line.
    for (std::size_t filled = 0; filled < stored; filled += block.size()) {
        view.AppendBytes(std::string_view(block).substr(0, std::min(block.size(), stored - filled)));
        if (filled % (1000 * block.size()) == 0)
            QCoreApplication::processEvents();
    }
    const long residentAfter = ResidentKilobytes();

    const std::string telegram = Telegram(64, 2);
    const double append = MeanMicroseconds(20000, [&] { view.AppendBytes(telegram); });
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    const double repaint = MeanMicroseconds(300, [&] { view.viewport()->render(&image); });
    std::printf("hex view, %s stored: append of 64 bytes %.2f us, repaint %.0f us\n", label, append, repaint);
    if (stored >= 1000000)
        std::printf("hex view, %s stored: resident memory %.1f MB before filling, %.1f MB after (%.1f MB more)\n",
                    label, residentBefore / 1024.0, residentAfter / 1024.0, (residentAfter - residentBefore) / 1024.0);
}

// Ten transponders circling the ship at different ranges and depths, 1,000
// fixes each, the older half of them past the position timeout.
void HandOverTrails(CVantrelDoc& document, CPositionFrame frame, double now)
{
    constexpr int kIndexes = 10;
    constexpr int kFixes = 1000;
    document.Models()->Tracks().SetTrailLength(kFixes);
    for (int fix = 0; fix < kFixes; ++fix) {
        for (int tp = 0; tp < kIndexes; ++tp) {
            auto telegram = std::make_shared<CDecodedTelegram>();
            telegram->index.SetIndex(1, "B" + std::to_string(tp + 1));
            telegram->index.receiveTime = now - (kFixes - fix) * 10.0;
            telegram->record.status = kStatusOk;
            const double range = 40.0 + 25.0 * tp;
            const double angle = tp * 0.6 + fix * 0.004;
            telegram->record.position = CTelegramPosition{
                frame, range * std::cos(angle) + 3.0 * std::sin(fix * 0.05), range * std::sin(angle), 50.0 + 10.0 * tp};
            document.OnTelegramDecoded(telegram);
        }
        if (fix % 50 == 0)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
}

void BenchPlot(CPositionFrame frame, const char* label)
{
    CVantrelDoc document;
    const double now = CTickwarden::GetPCMilliSecs();
    HandOverTrails(document, frame, now);
    CPositionPlotDlg window(document.Models());
    window.SetClock([now] { return now; });
    window.resize(560, 560);
    window.show();
    QCoreApplication::processEvents();
    const double refresh = MeanMicroseconds(200, [&] { window.Refresh(); });
    CPlanView& view = *window.View();
    QImage image(view.size(), QImage::Format_RGB32);
    const double repaint = MeanMicroseconds(100, [&] { view.render(&image); });
    std::printf("position plot, 10 indexes x 1,000 fixes, %s: refresh from the trails %.2f ms, repaint %.2f ms\n",
                label, refresh / 1000.0, repaint / 1000.0);
    const QByteArray picture = qgetenv("VANTREL_BENCH_PLOT");
    if (!picture.isEmpty()) {
        QString path = QString::fromLocal8Bit(picture);
        path.insert(path.lastIndexOf('.'), QString("-") + label);
        window.grab().save(path, "PNG");
    }
}

void BenchStatistics()
{
    CVantrelDoc document;
    HandOverTrails(document, CPositionFrame::Vessel, CTickwarden::GetPCMilliSecs());
    CTelegramStatisticsDlg window(std::shared_ptr<CTelegramStatistics>(document.Models(), &document.Models()->Statistics()));
    window.show();
    QCoreApplication::processEvents();
    const double refresh = MeanMicroseconds(500, [&] { window.Refresh(); });
    std::printf("statistics window, 10 indexes after 10,000 telegrams: refresh %.0f us\n", refresh);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    BenchTimingTick();
    BenchHexView(1000, "1 kB");
    BenchHexView(100 * 1000 * 1000, "100 MB");
    BenchPlot(CPositionFrame::Vessel, "vessel");
    BenchPlot(CPositionFrame::Grid, "grid");
    BenchStatistics();
    return 0;
}
