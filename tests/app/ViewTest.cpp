// The telegram view: what a report looks like on the screen, the display
// filter, the copy for the text editor and printing.
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QtTest>
#include <cerrno>

#include "app/VantrelDoc.h"
#include "app/VantrelView.h"
#include "decoders/FormatTable.h"
#include "report/RtfReader.h"
#include "tests/app/GuiTestSupport.h"

class TestVantrelView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CVantrelDoc> document;
    std::unique_ptr<CVantrelView> view;
    QStringList openedSnapshots;
    int openerResult = 0;

    QTextCharFormat FormatAt(const QString& text)
    {
        const int position = view->toPlainText().indexOf(text);
        QTextCursor cursor(view->document());
        cursor.setPosition(position + 1);
        return cursor.charFormat();
    }

private slots:
    void init()
    {
        document = std::make_unique<CVantrelDoc>();
        view = std::make_unique<CVantrelView>(document.get());
        openedSnapshots.clear();
        openerResult = 0;
        view->SetSnapshotOpener([this](const QString& path) {
            openedSnapshots << path;
            return openerResult;
        });
    }

    void cleanup()
    {
        view.reset();
        document.reset();
    }

    void showsPlainTextColoursAndWeights()
    {
        const std::string report = SampleReport("HPR 418 SSBL");
        view->ShowReport(report, "", kStatusOk);
        QCOMPARE(view->toPlainText(), QString::fromStdString(CRtfReader::PlainText(report)));
        QCOMPARE(view->document()->blockCount(), 5);

        const QTextCharFormat raw = FormatAt("1C68EB43");
        QCOMPARE(raw.foreground().color(), QColor(100, 100, 255));
        const QTextCharFormat heading = FormatAt("Tgram field");
        QVERIFY(heading.fontUnderline());
        QCOMPARE(heading.fontWeight(), int(QFont::Bold));
        QCOMPARE(heading.fontPointSize(), 10.0);  // \fs20
        const QTextCharFormat interpretation = FormatAt("470.8");
        QVERIFY(!interpretation.fontUnderline());
        QVERIFY(interpretation.foreground().style() == Qt::NoBrush);
    }

    void everyCharacterAdvancesByOneWidth()
    {
        // The report's columns line up only when every character it shows,
        // in normal and bold weight, moves the pen by the same width; the
        // user's notes are typed in the view's own font.
        view->ShowReport(SampleReport("HPR 418 SSBL"), "", kStatusOk);
        for (const char* text : {"Telegram type", "Tgram field", "1C68EB43", "470.8"})
            QVERIFY2(AdvancesEvenly(FormatAt(text).font()), qPrintable(text));
        QVERIFY(AdvancesEvenly(view->font()));
        // The desktop's fixed font is the user's choice whenever it will do.
        const QFont desktop = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        if (AdvancesEvenly(desktop))
            QCOMPARE(QFontInfo(view->font()).family(), QFontInfo(desktop).family());
    }

    void bytesFromTheLineShowAsLatin1()
    {
        CReportBuilder report;
        report.AppendAsciiText(std::string("$PSIM\xe9\x01\0end", 11));
        view->ShowReport(report.GetDocument(), "", kStatusOk);
        QCOMPARE(view->toPlainText(), QString::fromLatin1("$PSIM\xe9\x01", 7) + QChar(0) + "end");
    }

    void receiveLightFollowsTheReceiveStatus_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("red");
        QTest::newRow("empty read") << "" << int(kStatusTimedOut) << true;
        // A sentence may carry any words in a field: it was received all the same.
        QTest::newRow("words in a field") << "TIMED OUT" << int(kStatusOk) << false;
        QTest::newRow("failed read") << "TIMED OUT" << int(kStatusBadData) << false;
    }

    void receiveLightFollowsTheReceiveStatus()
    {
        QFETCH(QString, field);
        QFETCH(int, status);
        QFETCH(bool, red);
        QSignalSpy flashes(view.get(), &CVantrelView::flashReceiveLight);
        view->ShowReport(SampleReport("NMEA $PSIMSSB", field.toStdString()), "", static_cast<TelegramStatus>(status));
        QCOMPARE(flashes.count(), 1);
        QCOMPARE(flashes.at(0).at(0).toBool(), red);
    }

    void decoderMessageLineEndsShowAsLineBreaks()
    {
        // A date the decoder cannot read is told in a message ending in CR
        // LF; the received sentence in the raw column keeps to its own line.
        const std::unique_ptr<CFormatDecoder> decoder = CFormatTable::Create(kTypeZaqAscii);
        QVERIFY(decoder);
        CReportBuilder report;
        CTelegramIndex index;
        double receiveTime = 1000.0;
        decoder->Decode("07 Jan B:1\r\n", report, receiveTime, index);
        view->ShowReport(report.GetDocument(), "", kStatusOk);
        const QString shown = view->toPlainText();
        QVERIFY2(shown.startsWith("Error in extracting 6 items from datetime, extracted 2\n"
                                  "Telegram type   : ZAQ ASCII TPDR\n"),
                 qPrintable(shown));
        QVERIFY2(shown.contains("\n07 Jan B:1\n\nTgram field"), qPrintable(shown));
        view->OnSendToNotepad();
        QFile snapshot(openedSnapshots.last());
        QVERIFY(snapshot.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(snapshot.readAll()), shown);
        QFile::remove(openedSnapshots.last());
    }

    void newReportReplacesTheOldOne()
    {
        view->ShowReport(SampleReport("HPR 418 SSBL", "AAAA"), "", kStatusOk);
        view->ShowReport(SampleReport("HPR 418 LBL", "BBBB"), "", kStatusOk);
        QVERIFY(!view->toPlainText().contains("AAAA"));
        QVERIFY(view->toPlainText().contains("BBBB"));
    }

    void userMayAnnotateTheReportUntilTheNextOne()
    {
        // A paused report can be annotated before it is printed or sent to
        // the text editor; undo takes back the user's typing, never the report.
        view->ShowReport(SampleReport("HPR 418 SSBL", "AAAA"), "", kStatusOk);
        view->moveCursor(QTextCursor::End);
        QTest::keyClicks(view.get(), "checked by ROV");
        QVERIFY(view->toPlainText().endsWith("checked by ROV"));
        view->OnSendToNotepad();
        QFile snapshot(openedSnapshots.last());
        QVERIFY(snapshot.open(QIODevice::ReadOnly));
        QVERIFY(snapshot.readAll().endsWith("checked by ROV"));
        QFile::remove(openedSnapshots.last());
        view->undo();
        QVERIFY(!view->toPlainText().contains("checked by ROV"));
        QVERIFY(view->toPlainText().contains("AAAA"));

        view->ShowReport(SampleReport("HPR 418 SSBL", "BBBB"), "", kStatusOk);
        QVERIFY(!view->document()->isUndoAvailable());
        view->undo();
        QVERIFY(view->toPlainText().contains("BBBB"));
    }

    void filterMatching_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("indexText");
        QTest::addColumn<bool>("shown");
        QTest::newRow("same") << "1" << "1" << true;
        QTest::newRow("prefix") << "1" << "12" << true;
        QTest::newRow("inside") << "1" << "B10" << true;
        QTest::newRow("other index") << "1" << "2" << false;
        QTest::newRow("no index (ship, LBL)") << "1" << "" << false;
        QTest::newRow("case matters") << "b" << "B12" << false;
        QTest::newRow("upper case") << "B1" << "B12" << true;
        QTest::newRow("channel text") << "05" << "05" << true;
        QTest::newRow("no trimming") << "05" << "5" << false;
        // Index bytes read as they are shown; a typed character they cannot
        // hold matches nothing, least of all a '?'.
        QTest::newRow("shown character") << QString::fromLatin1("\xe9") << QString::fromLatin1("B\xe9") << true;
        QTest::newRow("not a line character") << QString::fromUtf8("\u20ac") << "B?1" << false;
    }

    void filterMatching()
    {
        QFETCH(QString, filter);
        QFETCH(QString, indexText);
        QFETCH(bool, shown);
        view->ShowReport(SampleReport("previous", "PREV"), "", kStatusOk);
        document->SetFilterText(filter);
        document->SetFilterEnabled(true);
        QSignalSpy blockFlashes(view.get(), &CVantrelView::flashBlockLight);
        view->ShowReport(SampleReport("next", "NEXT"), indexText.toLatin1().toStdString(), kStatusOk);
        QCOMPARE(view->toPlainText().contains("NEXT"), shown);
        QCOMPARE(view->toPlainText().contains("PREV"), !shown);
        QCOMPARE(blockFlashes.count(), 1);
        QCOMPARE(blockFlashes.at(0).at(0).toBool(), !shown);
    }

    void snapshotForTheTextEditor()
    {
        view->ShowReport(SampleReport("HPR 418 SSBL"), "", kStatusOk);
        view->OnSendToNotepad();
        QCOMPARE(openedSnapshots.size(), 1);
        const QString path = openedSnapshots.first();
        QVERIFY(QFileInfo(path).fileName().startsWith("vtd"));
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray written = file.readAll();
        QVERIFY(!written.contains('\r'));
        QCOMPARE(QString::fromUtf8(written), view->toPlainText());
        QVERIFY(written.contains("filt_x_pos     1C68EB43   470.8"));
        QFile::remove(path);

        // Each snapshot is a file of its own.
        view->OnSendToNotepad();
        QCOMPARE(openedSnapshots.size(), 2);
        QVERIFY(openedSnapshots[0] != openedSnapshots[1]);
        QFile::remove(openedSnapshots[1]);
    }

    void snapshotsLastUntilTheProgramEnds()
    {
        // The editor reads a snapshot after the command, so every one stays
        // while the program runs, also one whose editor did not start; none
        // outlives the view, which lives as long as the program's window.
        view->ShowReport(SampleReport("HPR 418 SSBL"), "", kStatusOk);
        view->OnSendToNotepad();
        view->moveCursor(QTextCursor::End);
        QTest::keyClicks(view.get(), "seen twice");
        view->OnSendToNotepad();
        openerResult = EACCES;
        view->OnSendToNotepad();
        QMessageBox* box = VisibleMessage("viewMessage");
        QVERIFY(box);
        box->close();
        QCOMPARE(openedSnapshots.size(), 3);
        QCOMPARE(QSet<QString>(openedSnapshots.begin(), openedSnapshots.end()).size(), 3);
        for (const QString& path : openedSnapshots)
            QVERIFY2(QFile::exists(path), qPrintable(path));

        view.reset();
        for (const QString& path : openedSnapshots)
            QVERIFY2(!QFile::exists(path), qPrintable(path));
    }

    void emptyViewGivesEmptySnapshot()
    {
        view->OnSendToNotepad();
        QCOMPARE(openedSnapshots.size(), 1);
        QCOMPARE(QFileInfo(openedSnapshots.first()).size(), 0);
        QFile::remove(openedSnapshots.first());
    }

    void editorFailuresAreReported()
    {
        openerResult = ENOENT;
        view->OnSendToNotepad();
        QMessageBox* box = VisibleMessage("viewMessage");
        QVERIFY(box);
        QCOMPARE(box->text(), QString("File or path is not found"));
        box->close();
        QFile::remove(openedSnapshots.last());

        openerResult = EACCES;
        view->OnSendToNotepad();
        box = VisibleMessage("viewMessage");
        QVERIFY(box);
        QCOMPARE(box->text(), QString("error %1 forking notepad. Snapshot saved as '%2'")
                                  .arg(EACCES)
                                  .arg(openedSnapshots.last()));
        QVERIFY2(QFile::exists(openedSnapshots.last()), "the snapshot stays for the user");
        box->close();
        QFile::remove(openedSnapshots.last());
    }

    void snapshotThatCannotBeWrittenIsReported()
    {
        QTemporaryDir readOnly;
        QVERIFY(readOnly.isValid());
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(readOnly.path() + "/missing"));
        view->OnSendToNotepad();
        qputenv("TMPDIR", oldTemp);
        QCOMPARE(openedSnapshots.size(), 0);
        QMessageBox* box = VisibleMessage("viewMessage");
        QVERIFY(box);
        QCOMPARE(box->text(), QString("Failed to write to temporary file\n"));
        QCOMPARE(box->icon(), QMessageBox::Critical);
        box->close();
    }

    void printsTheReportToPdf()
    {
        view->ShowReport(SampleReport("HPR 418 SSBL"), "", kStatusOk);
        QTemporaryDir dir;
        const QString path = dir.filePath("report.pdf");
        QPrinter& printer = view->Printer();
        const QMarginsF margins = printer.pageLayout().margins(QPageLayout::Inch);
        QCOMPARE(margins, QMarginsF(0.5, 0.5, 0.5, 0.5));
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        view->PrintTo(printer);

        QFile pdf(path);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        QVERIFY(pdf.read(5) == "%PDF-");
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed: the PDF's text is not checked");
        QProcess extract;
        extract.start(pdftotext, {"-layout", path, "-"});
        QVERIFY(extract.waitForFinished(30000));
        const QString text = QString::fromUtf8(extract.readAllStandardOutput());
        QVERIFY2(text.contains("Telegram type   : HPR 418 SSBL"), qPrintable(text));
        QVERIFY(text.contains("1C68EB43"));

        // The report's first word sits at the half-inch margins (36 points
        // from the page's left and top edges), with no margin of its own added.
        QProcess boxes;
        boxes.start(pdftotext, {"-bbox", "-f", "1", "-l", "1", path, "-"});
        QVERIFY(boxes.waitForFinished(30000));
        const QString html = QString::fromUtf8(boxes.readAllStandardOutput());
        const QRegularExpression firstWord(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>Telegram<)re");
        const QRegularExpressionMatch word = firstWord.match(html);
        QVERIFY2(word.hasMatch(), qPrintable(html));
        const double left = word.captured(1).toDouble();
        const double top = word.captured(2).toDouble();
        QVERIFY2(left > 34 && left < 40, qPrintable(QString("left edge at %1 pt").arg(left)));
        QVERIFY2(top > 34 && top < 42, qPrintable(QString("top edge at %1 pt").arg(top)));
    }

    void longReportPrintsOnAsManyPagesAsItNeeds()
    {
        const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
        if (pdftotext.isEmpty())
            QSKIP("pdftotext is not installed: the PDF's text is not checked");
        CReportBuilder report;
        for (int line = 1; line <= 150; ++line) {
            report.Append("line%03d", line);
            report.NewLine();
        }
        view->ShowReport(report.GetDocument(), "", kStatusOk);
        QTemporaryDir dir;
        // The words each page shows inside its margins (a line cut off at a
        // page's foot is clipped there and shown whole on the next page).
        const auto printPages = [&](int from, int to) {
            const QString path = dir.filePath(QString("pages-%1-%2.pdf").arg(from).arg(to));
            QPrinter& printer = view->Printer();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(path);
            printer.setFromTo(from, to);
            view->PrintTo(printer);
            QProcess extract;
            extract.start(pdftotext, {"-bbox", path, "-"});
            extract.waitForFinished(30000);
            const QString html = QString::fromUtf8(extract.readAllStandardOutput());
            QList<QStringList> pages;
            const QRegularExpression item(QStringLiteral(R"re(<page width="([0-9.]+)" height="([0-9.]+)">)re") + '|' +
                                          R"re(<word xMin="[0-9.]+" yMin="([0-9.]+)" xMax="[0-9.]+")re" +
                                          R"re( yMax="([0-9.]+)">([^<]*)<)re");
            double bottom = 0;
            for (const QRegularExpressionMatch& match : item.globalMatch(html)) {
                if (!match.captured(1).isEmpty()) {
                    bottom = match.captured(2).toDouble() - 36;
                    pages.append(QStringList());
                } else if (match.captured(3).toDouble() >= 35 && match.captured(4).toDouble() <= bottom + 1) {
                    pages.last().append(match.captured(5));
                }
            }
            return pages;
        };
        const QList<QStringList> all = printPages(0, 0);
        QVERIFY2(all.size() >= 2, "150 lines do not fit one page");
        QStringList shown;
        for (const QStringList& page : all)
            shown += page;
        QCOMPARE(shown.size(), 150);
        QCOMPARE(shown.first(), QString("line001"));
        QCOMPARE(shown.last(), QString("line150"));

        // The pages the user chose in the print dialog, and only those.
        const QList<QStringList> second = printPages(2, 2);
        QCOMPARE(second.size(), 1);
        QCOMPARE(second.first(), all[1]);
    }
};

QTEST_MAIN(TestVantrelView)
#include "ViewTest.moc"
