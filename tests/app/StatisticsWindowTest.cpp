// The statistics window: the counts of a scripted run of good, failed and
// empty reads handed over through the document, their refresh, Reset, the
// table as CSV on the clipboard and in a file, and the same table from the
// monitor's terminal.
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>

#include "app/MainFrame.h"
#include "app/TelegramStatisticsDlg.h"
#include "app/VantrelDoc.h"
#include "tests/app/GuiTestSupport.h"
#include "tests/app/HandedOverTelegrams.h"
#include "tools/StopSignal.h"
#include "tools/TerminalReceiver.h"

namespace {

CTelegramRecord WithChecks(CTelegramRecord record, std::optional<bool> checksum, std::optional<bool> length)
{
    record.checksumAgrees = checksum;
    record.lengthAgrees = length;
    return record;
}

const QString kHeader = "Kind,Index,Telegrams,OK,BAD DATA,EARLT EOT,TIMED OUT,CHECKSUM ERROR,Checksum mismatches,"
                        "Length mismatches,Mean interval (s),Longest interval (s),Age (s),Rate (/s)";

} // namespace

class CStatisticsWindowTest : public QObject {
    Q_OBJECT

    double now = 0.0;
    std::unique_ptr<CVantrelDoc> document;
    QPointer<CTelegramStatisticsDlg> window;

    void Open()
    {
        window = OpenWithClock<CTelegramStatisticsDlg>(*document, CMainFrame::kTelegramStatistics,
                               [this] { return now; });
        QVERIFY(window);
    }
    // A run of eight reads: three telegrams of one index received OK (one
    // good, one whose checksum disagrees, one whose length does), one failed read of each
    // kind and an empty read, and an index whose text needs quoting in CSV,
    // holds control characters and begins like a formula.
    std::vector<CSharedTelegram> HandOverScript()
    {
        return {
            HandOver(*document, IndexOf(1, "B12", 1000), WithChecks(RecordOf(kStatusOk), true, true)),
            HandOver(*document, IndexOf(1, "B12", 2000), WithChecks(RecordOf(kStatusOk), false, true)),
            HandOver(*document, WithoutIndex(2500), RecordOf(kStatusBadData)),
            HandOver(*document, WithoutIndex(3000), RecordOf(kStatusTimedOut)),
            HandOver(*document, IndexOf(1, "B12", 4000), WithChecks(RecordOf(kStatusOk), std::nullopt, false)),
            HandOver(*document, WithoutIndex(4500), RecordOf(kStatusChecksumError)),
            HandOver(*document, WithoutIndex(5000), RecordOf(kStatusEarlyEot)),
            HandOver(*document, IndexOf(0, "=x,\"y\"\t\r\n\x1b", 6000), RecordOf(kStatusOk)),
        };
    }

    // What the monitor prints for telegrams and line events, with --brief
    // --stats, on standard output and, when asked, on standard error.
    static QStringList MonitorOutput(const std::vector<CSharedTelegram>& telegrams, const CLineEvent& event,
                                     QStringList* messages = nullptr)
    {
        QTemporaryDir dir;
        const QByteArray outPath = dir.filePath("out").toLocal8Bit();
        const QByteArray errorPath = dir.filePath("error").toLocal8Bit();
        const int out = ::open(outPath.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const int error = ::open(errorPath.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        {
            CStopSignal stop;
            CTerminalReceiver terminal(out, error, 0, stop);
            terminal.PrintWith(MakeTelegramPrinter(TelegramPrintStyle::Brief, "HPR 418F"));
            terminal.KeepStatistics();
            for (const CSharedTelegram& telegram : telegrams)
                terminal.OnTelegramDecoded(telegram);
            terminal.OnLineEvent(event);
            terminal.Finish(0);
        }
        ::close(out);
        ::close(error);
        const auto lines = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n') : QStringList();
        };
        if (messages)
            *messages = lines(dir.filePath("error"));
        return lines(dir.filePath("out"));
    }
    QStringList Row(int row) const
    {
        QStringList cells;
        for (int column = 0; column < window->Table()->columnCount(); ++column)
            cells << window->Table()->item(row, column)->text();
        return cells;
    }
    QPushButton* Button(const char* name) const { return window->findChild<QPushButton*>(name); }

private slots:
    void init()
    {
        now = 10000.0;
        document = std::make_unique<CVantrelDoc>();
    }
    void cleanup()
    {
        delete window;
        document.reset();
    }

    void CountsEveryTelegramSinceTheProgramStarted()
    {
        // Handed over before the window opened: the window shows them all.
        HandOverScript();
        Open();
        QCOMPARE(window->windowTitle(), QString("Telegram statistics"));
        QCOMPARE(window->Table()->rowCount(), 4);
        QCOMPARE(Row(0), QString("0|=x,\"y\"????|1|1|0|0|0|0|0|0|0.000|0.000|4.000|0.000").split('|'));
        QCOMPARE(Row(1), QString("1|B12|3|1|0|0|0|0|1|1|1.500|2.000|6.000|0.667").split('|'));
        // Every read in one status column; the times are those of the reads that brought bytes.
        QCOMPARE(Row(2), QString("none||4|0|1|1|1|1|0|0|1.250|2.000|5.000|0.800").split('|'));
        QCOMPARE(Row(3), QString("total||8|2|1|1|1|1|1|1|0.833|1.500|4.000|1.200").split('|'));
        QVERIFY(window->Table()->item(3, 2)->font().bold());
        QVERIFY(!window->Table()->item(1, 2)->font().bold());
        const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(
            document->Models()->Statistics().Since().time_since_epoch());
        QVERIFY(window->findChild<QLabel*>("sinceLabel")->text().contains(
            QDateTime::fromMSecsSinceEpoch(since.count()).toString("yyyy-MM-dd HH:mm:ss")));
    }

    void CountsAndAgesMoveOnWhileTheWindowIsOpen()
    {
        Open();
        QCOMPARE(window->Table()->rowCount(), 2);
        // No age before a telegram arrived.
        QCOMPARE(Row(0), QString("none||0|0|0|0|0|0|0|0|0.000|0.000||0.000").split('|'));
        QCOMPARE(Row(1), QString("total||0|0|0|0|0|0|0|0|0.000|0.000||0.000").split('|'));
        HandOverScript();
        QTRY_COMPARE(window->Table()->rowCount(), 4);
        QTRY_COMPARE(window->Table()->item(3, 2)->text(), QString("8"));
        now += 2500;
        QTRY_COMPARE(window->Table()->item(3, 12)->text(), QString("6.500"));
        QCOMPARE(window->Table()->item(1, 12)->text(), QString("8.500"));
    }

    void ResetStartsTheCountAfresh()
    {
        HandOverScript();
        Open();
        QTest::mouseClick(Button("resetButton"), Qt::LeftButton);
        QCOMPARE(window->Table()->rowCount(), 2);
        QCOMPARE(Row(1), QString("total||0|0|0|0|0|0|0|0|0.000|0.000||0.000").split('|'));
        QCOMPARE(document->Models()->Statistics().Rows().size(), std::size_t(2));
        HandOver(*document, IndexOf(1, "B12", 9000), RecordOf(kStatusOk));
        QTRY_COMPARE(window->Table()->rowCount(), 3);
        QCOMPARE(Row(0), QString("1|B12|1|1|0|0|0|0|0|0|0.000|0.000|1.000|0.000").split('|'));
    }

    void TheMonitorsStatisticsAreTheWindows()
    {
        // The same telegrams, and datagrams the system dropped, reach the
        // window's models through the document and the monitor's through its terminal.
        const std::vector<CSharedTelegram> telegrams = HandOverScript();
        const CLineEvent dropped{CLineEvent::Kind::DroppedBySystem, "COM7", "udp://:5600", "", 3};
        document->OnLineEvent(dropped);
        Open();
        auto* droppedLabel = window->findChild<QLabel*>("droppedLabel");
        QTRY_COMPARE(droppedLabel->text(), QString("Datagrams dropped by the system: 3"));

        const QStringList lines = MonitorOutput(telegrams, dropped);
        const qsizetype header = lines.indexOf(QRegularExpression("^kind\tindex\t.*"));
        QCOMPARE(header, qsizetype(telegrams.size()));  // after the brief lines
        QCOMPARE(lines.size(), header + 1 + window->Table()->rowCount() + 2);
        for (int row = 0; row < window->Table()->rowCount(); ++row) {
            // Every cell but the ages, which each measures on its own clock.
            const QStringList cells = lines[header + 1 + row].split('\t');
            QCOMPARE(cells.mid(0, 12), Row(row).mid(0, 12));
        }
        QCOMPARE(lines[header + 1 + window->Table()->rowCount()], QString("dropped by the system\t3"));
    }

    void IndexesPastTheCapShareOneRowAndAreToldOnce()
    {
        // A garbled index field that changes with every telegram.
        std::vector<CSharedTelegram> telegrams;
        for (std::size_t i = 0; i < CTelegramStatistics::kMaxIndexes + 20; ++i) {
            telegrams.push_back(TelegramOf(IndexOf(1, "G" + std::to_string(i), 1000.0 + double(i)),
                                           WithChecks(RecordOf(kStatusOk), true, true)));
            document->Models()->Add(*telegrams.back());
        }
        Open();
        const int rows = window->Table()->rowCount();
        QCOMPARE(rows, int(CTelegramStatistics::kMaxIndexes) + 3);
        QCOMPARE(Row(rows - 3).mid(0, 4), QString("other indexes||20|20").split('|'));
        QCOMPARE(Row(rows - 1).mid(0, 4), QString("total||1020|1020").split('|'));
        auto* capLabel = window->findChild<QLabel*>("indexCapLabel");
        QVERIFY(capLabel->isVisible());
        QCOMPARE(capLabel->text(), QString::fromStdString(CTelegramStatistics::IndexCapText()));

        QStringList messages;
        const QStringList lines = MonitorOutput(telegrams, CLineEvent{}, &messages);
        QCOMPARE(lines.filter(QRegularExpression("^other indexes\t\t20\t20\t")).size(), 1);
        const QString told = "vantrel-cli monitor: " + QString::fromStdString(CTelegramStatistics::IndexCapText());
        QCOMPARE(messages.filter(told).size(), 1);
    }

    void CopyPutsTheTableOnTheClipboardAsCsv()
    {
        HandOverScript();
        Open();
        QApplication::clipboard()->clear();
        QTest::mouseClick(Button("copyButton"), Qt::LeftButton);
        const QStringList lines = QApplication::clipboard()->text().split('\n');
        QCOMPARE(lines.size(), 6);  // the header, four rows, and the end of the last line
        QCOMPARE(lines[0], kHeader);
        // A text with a comma or a quote is quoted, its quotes doubled; its
        // control characters are shown as '?', so a row stays one line; one
        // a spreadsheet would run as a formula gets a "'" before it.
        QCOMPARE(lines[1], QString("0,\"'=x,\"\"y\"\"????\",1,1,0,0,0,0,0,0,0.000,0.000,4.000,0.000"));
        QCOMPARE(lines[2], QString("1,B12,3,1,0,0,0,0,1,1,1.500,2.000,6.000,0.667"));
        QCOMPARE(lines[3], QString("none,,4,0,1,1,1,1,0,0,1.250,2.000,5.000,0.800"));
        QCOMPARE(lines[4], QString("total,,8,2,1,1,1,1,1,1,0.833,1.500,4.000,1.200"));
        QCOMPARE(lines[5], QString());
    }

    void SaveAsWritesTheCsvFile()
    {
        HandOverScript();
        Open();
        QTemporaryDir dir;
        QString path = dir.filePath("statistics.csv");
        {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write(QByteArray(5000, 'z'));  // a longer file is replaced whole
        }
        window->SetSavePathChooser([&path](QWidget*) { return path; });
        QTest::mouseClick(Button("saveButton"), Qt::LeftButton);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray content = saved.readAll();
        QCOMPARE(content, window->CsvText().toUtf8());
        QVERIFY(content.startsWith(kHeader.toUtf8() + "\n0,\"'=x,"));
        QVERIFY(content.endsWith("total,,8,2,1,1,1,1,1,1,0.833,1.500,4.000,1.200\n"));

        window->SetSavePathChooser([](QWidget*) { return QString(); });
        QTest::mouseClick(Button("saveButton"), Qt::LeftButton);
        QVERIFY(!VisibleMessage("statisticsMessage"));

        path = "/nonexistent-vantrel-dir/statistics.csv";
        window->SetSavePathChooser([&path](QWidget*) { return path; });
        QTest::mouseClick(Button("saveButton"), Qt::LeftButton);
        QMessageBox* message = VisibleMessage("statisticsMessage");
        QVERIFY(message);
        QVERIFY(message->text().contains(path));
        message->close();
    }
};

QTEST_MAIN(CStatisticsWindowTest)
#include "StatisticsWindowTest.moc"
