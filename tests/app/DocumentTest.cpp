// The whole window on a line: a simulated positioning system writes
// telegrams into a pseudo-terminal that the controller reads as its port,
// and the document hands them to the view, the lights and the tool windows.
#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>
#include <thread>

#include <sys/stat.h>

#include "acquisition/PortMap.h"
#include "acquisition/TelegramDecoder.h"
#include "app/CapturePlayer.h"
#include "app/CommSettingsDlg.h"
#include "app/ControlId.h"
#include "app/DataMonitorDlg.h"
#include "app/DeliveryQueue.h"
#include "app/MainFrame.h"
#include "app/TelegramStatisticsDlg.h"
#include "app/TimingDiagnosticsDlg.h"
#include "app/VantrelDoc.h"
#include "app/VantrelView.h"
#include "app/widgets/ColorStatusBar.h"
#include "app/widgets/HexEdit.h"
#include "clock/WallTime.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramGenerator.h"
#include "report/ReportBuilder.h"
#include "settings/Registry.h"
#include "simulation/DemoLine.h"
#include "simulation/PtyLine.h"
#include "simulation/TelegramSimulator.h"
#include "tests/app/GuiTestSupport.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/LoopbackPeers.h"
#include "tests/support/PseudoTerminal.h"

namespace {
using namespace std::chrono_literals;
constexpr int kLinePort = 7;
constexpr int kWait = 10000;  // ms: generous, the machine may be busy

void StoreSettings(const std::string& port, const std::string& config, int type)
{
    CRegistry registry;
    QVERIFY(registry.Create());
    QVERIFY(registry.WriteString("Port", port));
    QVERIFY(registry.WriteString("Config", config));
    QVERIFY(registry.WriteInt("Telegram", type));
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A capture as the monitor records it: HPR 418F telegrams half a second
// apart from 03:12 in a zone an hour east of UTC.
constexpr std::int64_t kCaptureStartUtcMs = 1772331120000;  // 2026-03-01T02:12:00Z
constexpr int kCaptureReads = 30;
constexpr int kCaptureStepMs = 500;

QString WriteCapture(const QString& folder)
{
    auto generator = CFormatTable::Find(6)->makeGenerator();
    QByteArray lines;
    for (int read = 0; read < kCaptureReads; ++read) {
        const CWallTime time{kCaptureStartUtcMs + read * kCaptureStepMs, 60};
        const std::string raw = generator->Next();
        lines += QString(R"({"time":"%1","format":"HPR 418F","raw":"%2"})")
                     .arg(QString::fromStdString(time.IsoText()),
                          QByteArray::fromStdString(raw).toHex().toUpper())
                     .toUtf8() + '\n';
    }
    const QString path = folder + "/night.jsonl";
    WriteFile(path, lines);
    return path;
}

std::uint64_t TelegramsKnown(const CVantrelDoc& document)
{
    return document.Models()->Statistics().Rows().back().telegrams;
}

int VisibleWindowsOf(const QMetaObject& type)
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += widget->isVisible() && widget->metaObject() == &type;
    return count;
}
} // namespace

class TestDocument : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CPtyLine> line;
    std::unique_ptr<CTelegramSimulator> simulator;
    std::unique_ptr<CVantrelDoc> document;
    std::unique_ptr<CMainFrame> frame;
    CVantrelView* view = nullptr;

    void StartWindow()
    {
        document = std::make_unique<CVantrelDoc>();
        view = new CVantrelView(document.get());
        frame = std::make_unique<CMainFrame>(document.get(), view);
        document->OnNewDocument();
        frame->resize(710, 660);
        frame->show();
    }
    // The positioning system on COM7, sending HPR 418F telegrams ten times a second.
    void StartLine()
    {
        line = std::make_unique<CPtyLine>();
        CPortMap::SetOverride(kLinePort, line->SlavePath());
        CSimulationOptions options;
        options.typeCode = 6;
        options.rate = 10;
        simulator = std::make_unique<CTelegramSimulator>(line->MasterFd(), options);
        simulator->Start();
    }
    // The number of the telegram the view shows, 0 before the first.
    int ShownTelegramNumber()
    {
        static const QRegularExpression number("Telegram number : (\\d+)");
        return number.match(view->toPlainText()).captured(1).toInt();
    }
    CTelegramDecoder& Controller() { return *document->telegramDecoder(); }
    QString PortPane() { return frame->ColorStatusBar()->PaneText(CMainFrame::kPortPane); }
    bool Checked(int id) { return frame->Action(id)->isChecked(); }
    CDataMonitorDlg* HexWindow() const { return document->ToolWindowOf<CDataMonitorDlg>(CMainFrame::kHexWindow); }
    CTimingDiagnosticsDlg* TimingWindow() const
    {
        return document->ToolWindowOf<CTimingDiagnosticsDlg>(CMainFrame::kTelegramTiming);
    }

private slots:
    void init()
    {
        StartLine();
        StoreSettings("COM7", "Config(9600,8,N,1)", 6);
    }

    void cleanup()
    {
        frame.reset();
        document.reset();
        simulator.reset();
        line.reset();
        CPortMap::ClearOverride(kLinePort);
    }

    void reportsArriveFromTheLine()
    {
        StartWindow();
        QSignalSpy flashes(view, &CVantrelView::flashReceiveLight);
        QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains("Telegram type   : HPR 418"), kWait);
        QVERIFY(view->toPlainText().contains("sumcheck"));
        QVERIFY(flashes.count() > 0);
        QVERIFY(!flashes.last().at(0).toBool());  // good telegrams: green
        QTRY_COMPARE_WITH_TIMEOUT(PortPane(), QString("COM7 9600 8 N 1"), kWait);

        // A new document (Ctrl+N) starts the display afresh on the same line.
        const CTelegramDecoder* controller = document->telegramDecoder();
        frame->Action(CMainFrame::kNewDocument)->trigger();
        QCOMPARE(document->telegramDecoder(), controller);
        QVERIFY(view->toPlainText().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains("Telegram type   : HPR 418"), kWait);
    }

    void toolWindowsReceiveEveryTelegram()
    {
        StartWindow();
        document->OnToolWindow(CMainFrame::kHexWindow);
        document->OnToolWindow(CMainFrame::kTelegramTiming);
        QVERIFY(HexWindow() && TimingWindow());
        QTRY_VERIFY_WITH_TIMEOUT(HexWindow()->HexView()->StoredByteCount() > 50, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(TimingWindow()->TrackedIndexCount() > 0, kWait);
        frame->UpdateCommandUi();
        QVERIFY(Checked(CMainFrame::kHexWindow) && Checked(CMainFrame::kTelegramTiming));

        // A second command brings the same window forward.
        CDataMonitorDlg* first = HexWindow();
        document->OnToolWindow(CMainFrame::kHexWindow);
        QCOMPARE(HexWindow(), first);
        QCOMPARE(VisibleWindowsOf(CDataMonitorDlg::staticMetaObject), 1);

        // Closed windows get nothing more and lose their check marks.
        first->close();
        TimingWindow()->close();
        QTRY_VERIFY_WITH_TIMEOUT(!HexWindow() && !TimingWindow(), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!Checked(CMainFrame::kHexWindow) && !Checked(CMainFrame::kTelegramTiming), kWait);
        QSignalSpy delivered(document.get(), &CVantrelDoc::telegramDelivered);
        QTRY_VERIFY_WITH_TIMEOUT(delivered.count() >= 2, kWait);

        // Reopened, the hex window and the timing window start afresh.
        document->OnToolWindow(CMainFrame::kHexWindow);
        QVERIFY(HexWindow() != nullptr);
        QVERIFY(HexWindow()->HexView()->StoredByteCount() < 50);
        document->OnToolWindow(CMainFrame::kTelegramTiming);
        QCOMPARE(TimingWindow()->TrackedIndexCount(), std::size_t(0));
    }

    void aCaptureTakesThePlaceOfTheLineUntilClosed()
    {
        StartWindow();
        QTRY_VERIFY_WITH_TIMEOUT(ShownTelegramNumber() > 0, kWait);
        QTemporaryDir folder;
        QVERIFY(document->OpenCapture({WriteCapture(folder.path())}));
        CCapturePlayer* capture = document->Capture();
        QVERIFY(capture != nullptr);
        QVERIFY(document->telegramDecoder() == nullptr);  // the line is closed
        QVERIFY(frame->windowTitle().contains("night.jsonl"));
        QTRY_COMPARE_WITH_TIMEOUT(PortPane(), QString("Capture night.jsonl"), kWait);

        // Every read of the capture, and nothing of the line, in the models
        // and the view, timed as recorded.
        capture->SetSpeed(CCapturePlayer::Speed::AsFast);
        QTRY_VERIFY_WITH_TIMEOUT(capture->HasEnded(), kWait);
        QCOMPARE(TelegramsKnown(*document), std::uint64_t(kCaptureReads));
        QTRY_COMPARE_WITH_TIMEOUT(ShownTelegramNumber(), kCaptureReads, kWait);  // the view's turn comes
        const std::int64_t lastUtcMs = kCaptureStartUtcMs + (kCaptureReads - 1) * kCaptureStepMs;
        QCOMPARE(capture->Position().utcMilliseconds, lastUtcMs);
        QCOMPARE(capture->Now(), double(lastUtcMs));  // ages stop where the capture ended
        QVERIFY(view->toPlainText().contains("Telegram type   : HPR 418"));

        // Sought back into the middle, one step shows that telegram alone.
        const std::int64_t middleUtcMs = kCaptureStartUtcMs + 15 * kCaptureStepMs;
        capture->Seek(middleUtcMs);
        QTRY_COMPARE_WITH_TIMEOUT(TelegramsKnown(*document), std::uint64_t(0), kWait);
        capture->Step();
        QTRY_COMPARE_WITH_TIMEOUT(TelegramsKnown(*document), std::uint64_t(1), kWait);
        QCOMPARE(capture->Position().utcMilliseconds, middleUtcMs);
        QCOMPARE(QString::fromStdString(capture->Position().IsoText()), QString("2026-03-01T03:12:07.500+01:00"));

        // Closed, the line is read again.
        frame->Action(CMainFrame::kCloseCapture)->trigger();
        QVERIFY(document->Capture() == nullptr);
        QVERIFY(document->telegramDecoder() != nullptr);
        QCOMPARE(frame->windowTitle(), QString("Vantrel"));
        QTRY_COMPARE_WITH_TIMEOUT(PortPane(), QString("COM7 9600 8 N 1"), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(TelegramsKnown(*document) > 0, kWait);
    }

    void pauseHoldsTheViewWhileTheModelsAndToolWindowsGoOn()
    {
        StartWindow();
        document->OnToolWindow(CMainFrame::kHexWindow);
        QTRY_VERIFY_WITH_TIMEOUT(!view->toPlainText().isEmpty(), kWait);
        frame->Action(CMainFrame::kPause)->trigger();
        QVERIFY(Controller().IsPaused());
        QVERIFY(Checked(CMainFrame::kPause));
        QTest::qWait(300);  // what was on its way when pausing
        QSignalSpy flashes(view, &CVantrelView::flashReceiveLight);
        const QString shown = view->toPlainText();
        const std::uint64_t known = TelegramsKnown(*document);
        const std::uint64_t bytes = HexWindow()->HexView()->StoredByteCount();
        QTest::qWait(800);
        QCOMPARE(flashes.count(), 0);
        QCOMPARE(view->toPlainText(), shown);
        QVERIFY(TelegramsKnown(*document) >= known + 3);
        QVERIFY(HexWindow()->HexView()->StoredByteCount() > bytes);
        // The 10 a second stay 10 a second in the statistics.
        QVERIFY(document->Models()->Statistics().Rows().back().MaxIntervalSeconds() < 1.0);

        frame->Action(CMainFrame::kPause)->trigger();
        QVERIFY(!Checked(CMainFrame::kPause));
        QTRY_VERIFY_WITH_TIMEOUT(flashes.count() > 0, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText() != shown, kWait);
    }

    void configureReadsTheLineOnAndAlwaysEndsUnpaused()
    {
        StartWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!view->toPlainText().isEmpty(), kWait);
        view->OnPause();
        QVERIFY(Controller().IsPaused());
        bool wasPausedDuringDialog = false;
        QString paneDuringDialog;
        std::uint64_t knownBefore = 0;
        std::uint64_t knownDuring = 0;
        WhenShown<CCommSettingsDlg>([&](CCommSettingsDlg* dialog) {
            wasPausedDuringDialog = Controller().IsPaused();
            knownBefore = TelegramsKnown(*document);
            QTest::qWait(1500);
            knownDuring = TelegramsKnown(*document);
            frame->UpdateCommandUi();
            paneDuringDialog = PortPane();
            dialog->reject();
        });
        view->OnConfigure();
        QVERIFY(wasPausedDuringDialog);
        QVERIFY(!Controller().IsPaused());
        QVERIFY(!Checked(CMainFrame::kPause));
        // The models went on counting while the settings were open, and
        // the port pane said the line was read on.
        QVERIFY2(knownDuring >= knownBefore + 5, qPrintable(QString("%1 then %2").arg(knownBefore).arg(knownDuring)));
        QVERIFY(document->Models()->Statistics().Rows().back().MaxIntervalSeconds() < 1.0);
        QCOMPARE(paneDuringDialog, QString("COM7 9600 8 N 1 - read on while the settings are open"));
        QTRY_COMPARE_WITH_TIMEOUT(PortPane(), QString("COM7 9600 8 N 1"), kWait);
    }

    void aFloodReachesEveryModelAndTheViewShowsWhatItHasTimeFor()
    {
        // Telegrams come from the reader thread far faster than the view
        // shows them, on a port that is refused (so nothing else comes):
        // the models and the hex window take every one, the view the latest,
        // and the port pane says how many it left out. A window that does
        // not answer holds at most the queue's bound; the rest it misses.
        struct CFloodCase {
            const char* what;
            bool windowAnswers;
            int telegrams;
            int taken;
        };
        constexpr int kBound = static_cast<int>(CDeliveryQueue::kMaxWaiting);
        const CFloodCase cases[] = {
            {"the window answers", true, 5000, 5000},
            {"the window does not answer", false, kBound + 250, kBound},
        };
        CPortMap::SetOverride(kLinePort, "/nonexistent/line");
        for (const CFloodCase& c : cases) {
            qInfo("%s", c.what);
            frame.reset();
            document.reset();
            StartWindow();
            document->OnToolWindow(CMainFrame::kHexWindow);
            QTRY_VERIFY_WITH_TIMEOUT(PortPane().contains("No such file"), kWait);
            QSignalSpy flashes(view, &CVantrelView::flashReceiveLight);
            std::thread reader([&] {
                for (int i = 0; i < c.telegrams; ++i) {
                    CReportBuilder report;
                    report.Append("Flood telegram %d", i);
                    CTelegramRecord record;
                    record.status = kStatusBadData;
                    document->OnTelegramDecoded(std::make_shared<const CDecodedTelegram>(
                        CDecodedTelegram{"0123456789", report.GetDocument(), {}, record}));
                }
            });
            // The event loop runs while the flood comes, or only once it is over.
            if (c.windowAnswers)
                QTRY_COMPARE_WITH_TIMEOUT(document->Models()->Statistics().Rows().back().badData,
                                          static_cast<std::uint64_t>(c.taken), kWait);
            reader.join();
            QTRY_COMPARE_WITH_TIMEOUT(document->Models()->Statistics().Rows().back().badData,
                                      static_cast<std::uint64_t>(c.taken), kWait);
            // After the zero byte every opening starts with.
            QCOMPARE(HexWindow()->HexView()->StoredByteCount(), 1 + static_cast<std::uint64_t>(c.taken) * 10);
            QCOMPARE(document->TelegramsMissedByWindow(), static_cast<std::uint64_t>(c.telegrams - c.taken));
            QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains(QString("Flood telegram %1").arg(c.taken - 1)),
                                     kWait);
            const std::uint64_t leftOut = document->TelegramsLeftOutOfView();
            QCOMPARE(flashes.count() + static_cast<qint64>(leftOut), static_cast<qint64>(c.taken));
            QVERIFY(flashes.count() < c.taken / 2);
            frame->UpdateCommandUi();
            QVERIFY2(PortPane().contains(QString(" - %1 not shown in time").arg(leftOut)), qPrintable(PortPane()));
            QCOMPARE(PortPane().contains(QString(" - %1 missed by the window").arg(c.telegrams - c.taken)),
                     c.telegrams > c.taken);
        }
    }

    void configureWithoutChangesLeavesTheLineAndTheCountAlone()
    {
        StartWindow();
        QTRY_VERIFY_WITH_TIMEOUT(ShownTelegramNumber() >= 3, kWait);
        for (const bool confirm : {false, true}) {
            CLineWatch watch(line->SlavePath());
            WhenShown<CCommSettingsDlg>([confirm](CCommSettingsDlg* dialog) {
                QTest::qWait(300);  // an opening waits 100 ms first
                if (confirm)
                    dialog->accept();
                else
                    dialog->reject();
            });
            const int before = ShownTelegramNumber();
            view->OnConfigure();
            QTest::qWait(300);
            QVERIFY2(!watch.Stop(), confirm ? "OK let go of the line" : "Cancel let go of the line");
            // The telegrams go on being counted where they were.
            QTRY_VERIFY_WITH_TIMEOUT(ShownTelegramNumber() != before, kWait);
            QVERIFY2(ShownTelegramNumber() > before, qPrintable(view->toPlainText()));
        }
    }

    void configureOpensAtOnceOnAQuietLine()
    {
        StartWindow();
        QTRY_VERIFY_WITH_TIMEOUT(!view->toPlainText().isEmpty(), kWait);
        simulator.reset();  // the line falls silent
        Controller().SetCommSettings("COM7", "Config(9600,8,N,1)", 20);
        QTest::qWait(500);  // a read is waiting out its 20 seconds now
        QElapsedTimer clock;
        qint64 openedAfter = -1;
        QString timeoutShown;
        WhenShown<CCommSettingsDlg>(
            [&](CCommSettingsDlg* dialog) {
                openedAfter = clock.elapsed();
                timeoutShown = FindControl<QLineEdit>(dialog, CCommSettingsDlg::kReceiveTimeoutEdit)->text();
                dialog->reject();
            },
            QString(), 30000);
        clock.start();
        view->OnConfigure();
        QVERIFY(openedAfter >= 0);
        QVERIFY2(openedAfter < 2000, qPrintable(QString("opened after %1 ms").arg(openedAfter)));
        QCOMPARE(timeoutShown, QString("20"));
    }

    void configureAppliesAndStoresTheSettings()
    {
        StartWindow();
        QTRY_COMPARE_WITH_TIMEOUT(PortPane(), QString("COM7 9600 8 N 1"), kWait);
        WhenShown<CCommSettingsDlg>([](CCommSettingsDlg* dialog) {
            auto* baud = FindControl<QComboBox>(dialog, CCommSettingsDlg::kBaudRateList);
            QCOMPARE(FindControl<QComboBox>(dialog, CCommSettingsDlg::kPortList)->currentText(), QString("COM7"));
            QCOMPARE(baud->currentText(), QString("9600"));
            QCOMPARE(FindControl<QLineEdit>(dialog, CCommSettingsDlg::kReceiveTimeoutEdit)->text(), QString("2"));
            baud->setCurrentIndex(baud->findText("19200"));
            FindControl<QLineEdit>(dialog, CCommSettingsDlg::kReceiveTimeoutEdit)->setText("3");
            dialog->accept();
        });
        view->OnConfigure();
        std::string port;
        std::string config;
        int timeout = 0;
        QTRY_VERIFY_WITH_TIMEOUT(Controller().GetCommSettings(port, config, timeout), kWait);
        QCOMPARE(port, std::string("COM7"));
        QCOMPARE(config, std::string("Config(19200,8,N,1)"));
        QCOMPARE(timeout, 3);
        QTRY_COMPARE_WITH_TIMEOUT(PortPane(), QString("COM7 19200 8 N 1"), kWait);
        CRegistry stored;
        QVERIFY(stored.Open());
        std::string storedConfig;
        QVERIFY(stored.ReadString("Config", storedConfig));
        QCOMPARE(storedConfig, std::string("Config(19200,8,N,1)"));
    }

    void logDataCancelledStaysOff()
    {
        StartWindow();
        QString title;
        QString suffix;
        QString filter;
        bool saving = false;
        WhenShown<QFileDialog>([&](QFileDialog* dialog) {
            title = dialog->windowTitle();
            suffix = dialog->defaultSuffix();
            filter = dialog->nameFilters().join(';');
            saving = dialog->acceptMode() == QFileDialog::AcceptSave;
            dialog->reject();
        });
        frame->Action(CMainFrame::kLogData)->trigger();
        QCOMPARE(title, QString("save as"));
        QCOMPARE(suffix, QString("csv"));
        QCOMPARE(filter, QString("CSV Files (*.csv)"));
        QVERIFY2(saving, "a save dialog, which asks before replacing a file");
        QVERIFY(!Controller().IsLogging());
        QVERIFY(!Checked(CMainFrame::kLogData));
        QVERIFY(!VisibleMessage("documentMessage"));
    }

    void logDataOnAndOff()
    {
        StartWindow();
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        document->SetLogPathChooser([csv](QWidget*) { return csv; });
        frame->Action(CMainFrame::kLogData)->trigger();
        QVERIFY(Controller().IsLogging());
        QVERIFY(Checked(CMainFrame::kLogData));
        QVERIFY(QFile::exists(csv) && QFile::exists(dir.filePath("run.raw")));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(dir.filePath("run.raw")).size() > 0, kWait);

        // Switching off asks nothing.
        document->SetLogPathChooser([](QWidget*) -> QString {
            QTest::qFail("no dialog when switching off", __FILE__, __LINE__);
            return {};
        });
        frame->Action(CMainFrame::kLogData)->trigger();
        QVERIFY(!Controller().IsLogging());
        QVERIFY(!Checked(CMainFrame::kLogData));
    }

    void logDataAsksOnceBeforeReplacingEitherLogFile()
    {
        StartWindow();
        QTemporaryDir dir;
        const QString csv = dir.filePath("survey.csv");
        const QString raw = dir.filePath("survey.raw");
        // Only the raw log of an earlier survey is left.
        WriteFile(raw, "earlier bytes");
        const auto chooseInTheDialog = [](const QString& path) {
            WhenShown<QFileDialog>([path](QFileDialog* dialog) {
                // Typed into the name field, as a user would.
                auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
                QVERIFY(name);
                name->setText(path);
                static_cast<QDialog*>(dialog)->accept();  // as the Save button does
            });
        };
        int questions = 0;
        QString question;
        // No: nothing is replaced and the dialog comes back; cancelling it leaves logging off.
        chooseInTheDialog(csv);
        WhenShown<QMessageBox>(
            [&](QMessageBox* box) {
                ++questions;
                question = box->text();
                WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
                box->button(QMessageBox::No)->click();
            },
            "replaceLogs");
        frame->Action(CMainFrame::kLogData)->trigger();
        QCOMPARE(questions, 1);
        QVERIFY2(question.contains(raw) && !question.contains(csv), qPrintable(question));
        QVERIFY(!Controller().IsLogging());
        QCOMPARE(ReadFile(raw), QByteArray("earlier bytes"));
        QVERIFY(!QFile::exists(csv));

        // Yes: logging starts both files afresh.
        chooseInTheDialog(csv);
        WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); }, "replaceLogs");
        frame->Action(CMainFrame::kLogData)->trigger();
        QVERIFY(Controller().IsLogging());
        QVERIFY(!ReadFile(raw).contains("earlier bytes"));
        frame->Action(CMainFrame::kLogData)->trigger();  // off again, asking nothing
        QVERIFY(!Controller().IsLogging());

        // Both files there: one question names both; where neither is, none is asked.
        chooseInTheDialog(csv);
        WhenShown<QMessageBox>(
            [&](QMessageBox* box) {
                ++questions;
                question = box->text();
                box->button(QMessageBox::Yes)->click();
            },
            "replaceLogs");
        frame->Action(CMainFrame::kLogData)->trigger();
        QCOMPARE(questions, 2);
        QVERIFY2(question.contains(csv) && question.contains(raw), qPrintable(question));
        frame->Action(CMainFrame::kLogData)->trigger();
        chooseInTheDialog(dir.filePath("new.csv"));
        WhenShown<QMessageBox>(
            [&](QMessageBox* box) {
                ++questions;
                box->button(QMessageBox::No)->click();
            },
            "replaceLogs", 1000);
        frame->Action(CMainFrame::kLogData)->trigger();
        QVERIFY(Controller().IsLogging());
        QVERIFY(QFile::exists(dir.filePath("new.csv")));
        QCOMPARE(questions, 2);
    }

    void logThatCannotBeCreatedIsReported()
    {
        StartWindow();
        // A log is a regular file: a FIFO is refused before it is opened,
        // and no raw log is made beside it.
        QTemporaryDir dir;
        const QString fifo = dir.filePath("fifo.csv");
        QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
        const struct {
            QString csv;
            QString reason;
        } cases[] = {
            {"/nonexistent-vantrel-dir/run.csv", "No such file or directory"},
            {fifo, "not a regular file but a FIFO"},
        };
        for (const auto& c : cases) {
            document->SetLogPathChooser([&c](QWidget*) { return c.csv; });
            if (QFileInfo::exists(c.csv))
                WhenShown<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); },
                                       "replaceLogs");
            frame->Action(CMainFrame::kLogData)->trigger();
            QVERIFY(!Controller().IsLogging());
            QVERIFY(!Checked(CMainFrame::kLogData));
            QMessageBox* message = VisibleMessage("documentMessage");
            QVERIFY(message);
            QVERIFY2(message->text().startsWith("Logging could not start.\n\n" + c.csv + ": " + c.reason),
                     qPrintable(message->text()));
            QVERIFY2(!message->text().contains("fifo.raw"), qPrintable(message->text()));
            message->close();
        }
        QVERIFY(!QFile::exists(dir.filePath("fifo.raw")));
    }

    void writeErrorStopsLoggingWithOneMessage()
    {
        StartWindow();
        QTemporaryDir dir;
        const QString csv = dir.filePath("full.csv");
        document->SetLogPathChooser([csv](QWidget*) { return csv; });
        frame->Action(CMainFrame::kLogData)->trigger();
        const CFileSizeLimit full(1);  // the disk fills up: every write of the logs fails
        QTRY_VERIFY_WITH_TIMEOUT(VisibleMessage("documentMessage") != nullptr, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!Controller().IsLogging(), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(!Checked(CMainFrame::kLogData), kWait);
        QSignalSpy delivered(document.get(), &CVantrelDoc::telegramDelivered);
        QTest::qWait(1000);  // further telegrams bring no further messages
        QVERIFY(delivered.count() >= 3);  // but are shown, ten a second
        int messages = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            messages += widget->isVisible() && widget->objectName() == "documentMessage";
        QCOMPARE(messages, 1);
        VisibleMessage("documentMessage")->close();
    }

    void logFailureAsTheWindowClosesIsShownBeforeItGoes()
    {
        simulator.reset();  // the test plays the line
        StartWindow();
        QTemporaryDir dir;
        const QString csv = dir.filePath("last.csv");
        document->SetLogPathChooser([csv](QWidget*) { return csv; });
        frame->Action(CMainFrame::kLogData)->trigger();
        QVERIFY(Controller().IsLogging());
        const CFileSizeLimit full(1);  // the disk fills up
        QVERIFY(WaitUntilHeldOpen(line->SlavePath()));
        QStringList shown;
        WhenShown<QMessageBox>(
            [&shown](QMessageBox* box) {
                shown << box->text();
                box->accept();
            },
            "documentMessage");
        {
            // A telegram arrives byte by byte as the window closes: its read
            // runs to its end, and logging it fails.
            CTrickle telegram(line->MasterFd(), 40, 10ms);
            QTest::qWait(150);
            frame->close();
        }
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains("File too large"), qPrintable(shown.first()));
    }

    void firstStartCreatesTheStoreWithTheTypeOnly()
    {
        const QString file = QString::fromStdString(testConfigHome.path) + "/Quorvane International Ltd/Vantrel.conf";
        QVERIFY(QFile::remove(file));
        StartWindow();
        QVERIFY(QFile::exists(file));
        CRegistry stored;
        QVERIFY(stored.Open());
        std::int32_t type = 0;
        QVERIFY(stored.ReadInt("Telegram", type));
        QCOMPARE(type, 6);
        std::string value;
        QVERIFY(!stored.ReadString("Port", value));
        QVERIFY(!stored.ReadString("Config", value));
    }

    void demoLineLeavesTheStoredPortAlone()
    {
        StoreSettings("COM7", "Config(9600,8,N,1)", 4);
        CDocumentOptions options;
        options.demo = true;
        options.demoRate = 10;
        document = std::make_unique<CVantrelDoc>(options);
        view = new CVantrelView(document.get());
        frame = std::make_unique<CMainFrame>(document.get(), view);
        document->OnNewDocument();
        frame->show();
        // The stored type is simulated and read through the demo line's port.
        QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains("$PSIM"), kWait);
        const QString demoPort = QString::fromStdString(document->DemoLine()->PortName());
        QTRY_VERIFY_WITH_TIMEOUT(PortPane().startsWith(demoPort + " "), kWait);

        // A type chosen during the run is what the demo line sends from then on.
        document->ApplyCommSettings(demoPort.toStdString(), "Config(9600,8,N,1)", 2, 6);
        QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains("Telegram type   : HPR 418"), kWait);

        CRegistry stored;
        QVERIFY(stored.Open());
        std::string port;
        QVERIFY(stored.ReadString("Port", port));
        QCOMPARE(port, std::string("COM7"));
        std::int32_t type = 0;
        QVERIFY(stored.ReadInt("Telegram", type));
        QCOMPARE(type, 4);
    }

    void unpluggedLineIsShownAndGivesNoReport()
    {
        StartWindow();
        QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains("Telegram type   : HPR 418"), kWait);
        QSignalSpy flashes(view, &CVantrelView::flashReceiveLight);

        // The adapter is pulled: its device goes, and the line hangs up.
        CPortMap::SetOverride(kLinePort, "/nonexistent-vantrel-dir/ttyUnplugged");
        simulator.reset();
        line.reset();
        QTRY_COMPARE_WITH_TIMEOUT(PortPane(), QString("COM7: line lost: Input/output error"), kWait);
        QTest::qWait(500);  // several attempts to open it again
        QCOMPARE(PortPane(), QString("COM7: line lost: Input/output error"));
        const QString shown = view->toPlainText();

        StartLine();
        QTRY_COMPARE_WITH_TIMEOUT(PortPane(), QString("COM7 9600 8 N 1"), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText() != shown, kWait);
        // Only telegrams were shown: no report of an empty read.
        for (const QList<QVariant>& flash : flashes)
            QVERIFY(!flash.at(0).toBool());
        QVERIFY2(!view->toPlainText().contains("TIMED OUT"), qPrintable(view->toPlainText()));
    }

    void networkLineIsReadAndNamedInThePortPane()
    {
        // Another program holds the UDP port at first.
        auto holder = std::make_unique<CBoundSocket>(SOCK_DGRAM, "127.0.0.1");
        const std::uint16_t port = holder->Port();
        const std::string url = "udp://127.0.0.1:" + std::to_string(port);
        CPortMap::SetOverride(9, url);
        StoreSettings("COM9", "Config(9600,8,N,1)", 4);
        auto nmea = CTelegramGenerator::Create(4);
        CUdpFeed feed([&nmea] { return nmea->Next() + nmea->Next(); }, "127.0.0.1", port, std::chrono::milliseconds(100));
        StartWindow();
        QTRY_COMPARE_WITH_TIMEOUT(PortPane(), QString("COM9: Address already in use"), kWait);

        holder.reset();
        QTRY_COMPARE_WITH_TIMEOUT(PortPane(), QString::fromStdString("COM9 " + url), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(ShownTelegramNumber() >= 4, kWait);
        QVERIFY2(view->toPlainText().contains("$PSIM"), qPrintable(view->toPlainText()));
        QVERIFY2(!view->toPlainText().contains("TIMED OUT"), qPrintable(view->toPlainText()));
        feed.Stop();
        CPortMap::ClearOverride(9);
    }

    // A flood the line's queue cannot hold, while the display is paused:
    // the port pane and the statistics say how many datagrams the system dropped.
    void datagramsTheSystemDropsAreShown()
    {
        const std::uint16_t port = FreeUdpPort();
        const std::string url = "udp://127.0.0.1:" + std::to_string(port);
        CPortMap::SetOverride(9, url);
        StoreSettings("COM9", "Config(9600,8,N,1)", 6);
        StartWindow();
        QTRY_COMPARE_WITH_TIMEOUT(PortPane(), QString::fromStdString("COM9 " + url), kWait);
        frame->Action(CMainFrame::kPause)->trigger();
        Flood(CUdpSender(), "127.0.0.1", port);
        // The count comes with a datagram queued once there is room again.
        CUdpFeed feed([] { return std::string("after"); }, "127.0.0.1", port, std::chrono::milliseconds(100));
        static const QRegularExpression dropped(" \\((\\d+) dropped by the system\\)$");
        QTRY_VERIFY_WITH_TIMEOUT(dropped.match(PortPane()).hasMatch(), kWait);
        feed.Stop();
        document->OnToolWindow(CMainFrame::kTelegramStatistics);
        const auto* label = document->ToolWindow(CMainFrame::kTelegramStatistics)->findChild<QLabel*>("droppedLabel");
        QVERIFY(label);
        QTRY_VERIFY_WITH_TIMEOUT(label->isVisible(), kWait);
        QTRY_COMPARE_WITH_TIMEOUT(label->text(),
                                  "Datagrams dropped by the system: " + dropped.match(PortPane()).captured(1), kWait);
        CPortMap::ClearOverride(9);
    }

    void portErrorShownUntilThePortOpens()
    {
        CPortMap::SetOverride(8, "/nonexistent-vantrel-dir/ttyQ");
        StoreSettings("COM8", "Config(9600,8,N,1)", 6);
        StartWindow();
        QTRY_VERIFY_WITH_TIMEOUT(PortPane().startsWith("COM8: "), kWait);
        QVERIFY2(PortPane().contains("No such file or directory"), qPrintable(PortPane()));
        CPortMap::SetOverride(8, line->SlavePath());
        QTRY_COMPARE_WITH_TIMEOUT(PortPane(), QString("COM8 9600 8 N 1"), kWait);
        QTRY_VERIFY_WITH_TIMEOUT(view->toPlainText().contains("HPR 418"), kWait);
        CPortMap::ClearOverride(8);
    }
};

QTEST_MAIN(TestDocument)
#include "DocumentTest.moc"
