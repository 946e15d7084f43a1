// The status lights and panes of the main window, driven through the view
// as the document's hand-off drives them, without a line.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QToolBar>
#include <QtTest>

#include "app/ControlId.h"
#include "app/MainFrame.h"
#include "app/TelegramFilterDlg.h"
#include "app/ToolWindowTable.h"
#include "app/VantrelDoc.h"
#include "app/VantrelView.h"
#include "app/widgets/ColorStatusBar.h"
#include "tests/app/GuiTestSupport.h"
#include "tests/app/HandedOverTelegrams.h"

class TestMainFrame : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CVantrelDoc> document;
    std::unique_ptr<CMainFrame> frame;
    CVantrelView* view = nullptr;

    CColorStatusBar& Bar() { return *frame->ColorStatusBar(); }
    QColor Unlit() { return Bar().Pane(CMainFrame::kPromptPane).enabledBackground; }
    QColor ReceiveLight() { return PaneColour(Bar(), CMainFrame::kReceivePane); }
    QColor BlockLight() { return PaneColour(Bar(), CMainFrame::kFilterPane); }

    // Answers the filter dialog the command opens: what it offered, then OK with text.
    QString RunFilterCommandAnswering(const QString& text, bool confirm)
    {
        QString offered;
        WhenShown<CTelegramFilterDlg>([&offered, text, confirm](CTelegramFilterDlg* dialog) {
            auto* edit = FindControl<QLineEdit>(dialog, CTelegramFilterDlg::kFilterEdit);
            offered = edit->text();
            edit->setText(text);
            confirm ? dialog->accept() : dialog->reject();
        });
        view->OnTelegramFilter();
        return offered;
    }

private slots:
    void init()
    {
        document = std::make_unique<CVantrelDoc>();
        view = new CVantrelView(document.get());
        frame = std::make_unique<CMainFrame>(document.get(), view);
        frame->resize(710, 660);
        frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(frame.get()));
    }

    void cleanup()
    {
        frame.reset();
        document.reset();
    }

    void receiveLightFlashesAndTurnsBack()
    {
        QCOMPARE(ReceiveLight(), Unlit());
        view->ShowReport(SampleReport("HPR 418 SSBL"), "", kStatusOk);
        QCOMPARE(ReceiveLight(), CMainFrame::LitGreen());
        view->ShowReport(SampleReport("TIMED OUT"), "", kStatusTimedOut);
        QCOMPARE(ReceiveLight(), CMainFrame::LitRed());
        QVERIFY2(view->toPlainText().contains("TIMED OUT"), "a timed-out report is still shown");
        view->ShowReport(SampleReport("HPR 418 SSBL"), "", kStatusOk);
        QCOMPARE(ReceiveLight(), CMainFrame::LitGreen());
        QTRY_COMPARE_WITH_TIMEOUT(ReceiveLight(), Unlit(), 1000);
    }

    void burstKeepsReceiveLightLit()
    {
        // Flashes 30 ms apart: each restarts the 100 ms, so the light never
        // goes out in between. A check is only made when the machine kept
        // the pace (well under 100 ms since the last flash).
        QElapsedTimer clock;
        clock.start();
        int checks = 0;
        while (clock.elapsed() < 600) {
            view->ShowReport(SampleReport("HPR 418 SSBL"), "", kStatusOk);
            QElapsedTimer sinceFlash;
            sinceFlash.start();
            QTest::qWait(30);
            const QColor light = ReceiveLight();
            if (sinceFlash.elapsed() < 80) {
                QCOMPARE(light, CMainFrame::LitGreen());
                ++checks;
            }
        }
        QVERIFY(checks > 0);
        QTRY_COMPARE_WITH_TIMEOUT(ReceiveLight(), Unlit(), 1000);
    }

    void blockLightOnlyWhileFiltering()
    {
        QSignalSpy blockFlashes(view, &CVantrelView::flashBlockLight);
        view->ShowReport(SampleReport("HPR 418 SSBL"), "2", kStatusOk);
        QCOMPARE(blockFlashes.count(), 0);
        QCOMPARE(BlockLight(), Unlit());

        document->SetFilterText("1");
        document->SetFilterEnabled(true);
        view->ShowReport(SampleReport("HPR 418 SSBL", "AAAA0001"), "12", kStatusOk);
        QCOMPARE(blockFlashes.count(), 1);
        QCOMPARE(blockFlashes.takeLast().at(0).toBool(), false);
        QCOMPARE(BlockLight(), CMainFrame::LitGreen());
        view->ShowReport(SampleReport("HPR 418 SSBL", "BBBB0002"), "2", kStatusOk);
        QCOMPARE(blockFlashes.takeLast().at(0).toBool(), true);
        QCOMPARE(BlockLight(), CMainFrame::LitRed());
        QVERIFY2(view->toPlainText().contains("AAAA0001"), "a blocked report leaves the previous one");
        QTRY_COMPARE_WITH_TIMEOUT(BlockLight(), Unlit(), 1000);
    }

    void filterCommandAndPane()
    {
        frame->UpdateCommandUi();
        QCOMPARE(Bar().PaneText(CMainFrame::kFilterPane), QString("Filter disabled"));

        // The first time offers 0; OK turns filtering on with it.
        QCOMPARE(RunFilterCommandAnswering("0", true), QString("0"));
        QVERIFY(document->IsFilterEnabled());
        QCOMPARE(Bar().PaneText(CMainFrame::kFilterPane), QString("Filtering 0"));
        QVERIFY(frame->Action(CMainFrame::kTelegramFilter)->isChecked());

        // Choosing it again switches off at once, without a dialog.
        view->OnTelegramFilter();
        QVERIFY(!document->IsFilterEnabled());
        QCOMPARE(Bar().PaneText(CMainFrame::kFilterPane), QString("Filter disabled"));
        QVERIFY(!frame->Action(CMainFrame::kTelegramFilter)->isChecked());

        // The text is offered again; an empty text or Cancel leaves it off.
        QCOMPARE(RunFilterCommandAnswering("", true), QString("0"));
        QVERIFY(!document->IsFilterEnabled());
        RunFilterCommandAnswering("12", false);
        QVERIFY(!document->IsFilterEnabled());
        QCOMPARE(document->GetFilterText(), QString("0"));
        RunFilterCommandAnswering("12", true);
        QCOMPARE(Bar().PaneText(CMainFrame::kFilterPane), QString("Filtering 12"));
    }

    void lockPanesAndSizeGrip()
    {
        // The lock keys cannot be read here: their panes stay disabled.
        const CStatusPane& caps = Bar().Pane(CMainFrame::kCapsPane);
        QVERIFY(!Bar().IsPaneEnabled(CMainFrame::kCapsPane));
        QCOMPARE(PaneColour(Bar(), CMainFrame::kCapsPane), caps.disabledBackground);
        const QImage image = Bar().grab().toImage();
        const QRect pane = Bar().PaneRect(CMainFrame::kCapsPane).adjusted(1, 1, -1, -1);
        bool disabledTextDrawn = false;
        for (int x = pane.left(); x <= pane.right() && !disabledTextDrawn; ++x)
            for (int y = pane.top(); y <= pane.bottom() && !disabledTextDrawn; ++y)
                disabledTextDrawn = image.pixelColor(x, y) == caps.disabledTextColour;
        QVERIFY2(disabledTextDrawn, "CAP is drawn in the disabled text colour");

        QVERIFY(Bar().IsSizeGripShown());
        frame->showMaximized();
        QTRY_VERIFY(frame->isMaximized());
        QVERIFY(!Bar().IsSizeGripShown());
        // Panes then reach the right edge where the grip was.
        const QRect last = Bar().PaneRect(CMainFrame::kScrollPane);
        QVERIFY(last.right() >= Bar().width() - 4);
    }

    void longTextsStayInTheirPanes()
    {
        document->SetFilterText("a filter text much longer than the pane that shows it");
        document->SetFilterEnabled(true);
        frame->UpdateCommandUi();
        const QRect filterPane = Bar().PaneRect(CMainFrame::kFilterPane);
        const QRect portPane = Bar().PaneRect(CMainFrame::kPortPane);
        QVERIFY2(filterPane.right() < portPane.left(), "the filter pane keeps its width");
        QVERIFY(Bar().PaneRect(CMainFrame::kPromptPane).width() > 0);
    }

    void portSettingsText()
    {
        QCOMPARE(CMainFrame::PortSettingsText("COM1", "Config(9600,8,N,1)"), QString("COM1 9600 8 N 1"));
        QCOMPARE(CMainFrame::PortSettingsText("COM12", "Config(19200,7,O,2)"), QString("COM12 19200 7 O 2"));
        QCOMPARE(CMainFrame::PortSettingsText("COM3", ""), QString("COM3 "));
        // Until the controller answers, the pane shows its sizing text.
        QCOMPARE(Bar().PaneText(CMainFrame::kPortPane), QString("COM33 99600 8 N 1"));
    }

    void toolbarHasArtworkForBothPalettes()
    {
        const QList<QAction*> buttons = frame->MainToolBar()->actions();
        QCOMPARE(buttons.size(), 9);
        const int expected[] = {32774, 32773, 32775, 32776, 32771, 32780, 32783, 57607, 57664};
        for (int i = 0; i < 9; ++i) {
            QCOMPARE(buttons[i]->data().toInt(), expected[i]);
            QVERIFY2(!buttons[i]->icon().isNull(), "the button has its picture");
        }
        QPalette dark;
        dark.setColor(QPalette::Window, QColor(40, 40, 40));
        QPalette light;
        light.setColor(QPalette::Window, QColor(240, 240, 240));
        for (const QPalette& palette : {dark, light}) {
            const QPixmap strip(CMainFrame::ToolbarArtwork(palette));
            QCOMPARE(strip.size(), QSize(306, 34));
        }
        QVERIFY(CMainFrame::ToolbarArtwork(dark) != CMainFrame::ToolbarArtwork(light));
    }

    void handOffReachesOnlyAnOpenWindow()
    {
        // The reader's hand-off travels to the window; one that arrives
        // after the user closed the window must not light or fill it.
        QSignalSpy flashes(view, &CVantrelView::flashReceiveLight);
        QSignalSpy delivered(document.get(), &CVantrelDoc::telegramDelivered);
        CReportBuilder early;
        early.Append("early telegram");
        document->OnTelegramDecoded(
            std::make_shared<const CDecodedTelegram>(CDecodedTelegram{"E", early.GetDocument(), {}, {}}));
        QTRY_COMPARE(delivered.count(), 1);
        QVERIFY(view->toPlainText().contains("early telegram"));
        QCOMPARE(flashes.count(), 1);

        CReportBuilder late;
        late.Append("late telegram");
        document->OnTelegramDecoded(
            std::make_shared<const CDecodedTelegram>(CDecodedTelegram{"L", late.GetDocument(), {}, {}}));
        frame->close();
        QTRY_COMPARE(delivered.count(), 2);
        QCOMPARE(flashes.count(), 1);
        QVERIFY(!view->toPlainText().contains("late telegram"));
    }

    void menusInTheirOrderWithTheirPrompts()
    {
        // Each item: menu, text, command id (0 for a separator), the prompt
        // shown in the status bar and the button's tooltip.
        struct Item {
            const char* menu;
            const char* text;
            int id;
            const char* prompt;
            const char* tip;
        };
        const Item expected[] = {
            {"&File", "&Print...", 57607, "Print the active document", "Print"},
            {"&File", "Print Pre&view", 57609, "Display full pages", "Print Preview"},
            {"&File", "P&rint Setup...", 57606, "Change the printer and printing options", "Print Setup"},
            {"&File", "", 0, "", ""},
            {"&File", "Open Capture...", 32801,
             "Play a recorded session (a JSON Lines capture, or the raw and CSV logs) instead of the line",
             "Open capture"},
            {"&File", "Close Capture", 32802, "Stop playing the capture and read the line again", "Close capture"},
            {"&File", "", 0, "", ""},
            {"&File", "E&xit", 57665, "Quit the application; prompts to save documents", "Exit"},
            {"&View", "Hex Window", 32771, "View received data in hex form", "View received data in hex form"},
            {"&View", "Telegram Timing", 32783, "View the time intervals between telegrams", "Timing information"},
            {"&View", "Position Plot", 32790, "Show where the telegrams put each index, on a plan", "Position plot"},
            {"&View", "Telegram Statistics", 32791, "Count the telegrams of each index and how they ended",
             "Telegram statistics"},
            {"Vantrel", "Configure...", 32773, "Change communication settings and telegram type",
             "Change communication settings and telegram type"},
            {"Vantrel", "Telegram Filter...", 32776, "Sets or removes a telegram index filter",
             "Set or remove telegram filter"},
            {"Vantrel", "Send to Notepad", 32775, "Send a copy of the current screen to Notepad",
             "Send a copy to notepad"},
            {"Vantrel", "", 0, "", ""},
            {"Vantrel", "Pause", 32774, "Pauses or unpauses the decoding of telegrams", "Toggle pause"},
            {"Vantrel", "Log Data", 32780, "Log received data to disk", "Log data"},
            {"&Help", "&About Vantrel...", 57664,
             "Display program information, version number and copyright", "About"},
        };
        int index = 0;
        for (QAction* menuAction : frame->menuBar()->actions()) {
            for (QAction* item : menuAction->menu()->actions()) {
                QVERIFY(index < int(std::size(expected)));
                const Item& want = expected[index++];
                QCOMPARE(menuAction->text(), QString(want.menu));
                QCOMPARE(item->isSeparator(), want.id == 0);
                if (item->isSeparator())
                    continue;
                QCOMPARE(item->text(), QString(want.text));
                QCOMPARE(item->data().toInt(), want.id);
                QCOMPARE(item->statusTip(), QString(want.prompt));
                QCOMPARE(item->toolTip(), QString(want.tip));
            }
        }
        QCOMPARE(index, int(std::size(expected)));
        QCOMPARE(frame->Action(CMainFrame::kPrint)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));

        const QStringList panes = {"", "Receive Indicator", "", "Filter disabled", "COM33 99600 8 N 1", "CAP", "NUM",
                                   "SCRL"};
        QCOMPARE(Bar().PaneCount(), int(panes.size()));
        for (int i = 1; i < Bar().PaneCount(); ++i)
            QCOMPARE(Bar().PaneText(i), panes[i]);
        QCOMPARE(Bar().Pane(CMainFrame::kReceivePane).mode, CStatusPane::kText | CStatusPane::kCentre);
        QCOMPARE(Bar().Pane(CMainFrame::kVerdictPane).mode, CStatusPane::kText | CStatusPane::kCentre);
    }

    void verdictPaneShowsTheLastTelegramsVerdict()
    {
        // Received OK is not yet good: the pane says what failed first, and
        // keeps it until the next telegram, while the receive light goes out.
        const std::optional<bool> none;
        const struct {
            TelegramStatus status;
            std::optional<bool> checksum, length;
            const char* word;
        } telegrams[] = {
            {kStatusOk, true, true, "OK"},
            {kStatusOk, false, true, "CHECKSUM MISMATCH"},
            {kStatusOk, true, false, "LENGTH MISMATCH"},
            {kStatusOk, none, none, "OK"},
            {kStatusChecksumError, none, none, "CHECKSUM ERROR"},
            {kStatusTimedOut, none, none, "TIMED OUT"},
        };
        for (const auto& telegram : telegrams) {
            CTelegramRecord record = RecordOf(telegram.status);
            record.checksumAgrees = telegram.checksum;
            record.lengthAgrees = telegram.length;
            HandOver(*document, IndexOf(1, "7", 1000), record);
            const bool good = std::string(telegram.word) == "OK";
            QCOMPARE(Bar().PaneText(CMainFrame::kVerdictPane), QString(telegram.word));
            QCOMPARE(PaneColour(Bar(), CMainFrame::kVerdictPane), good ? CMainFrame::LitGreen() : CMainFrame::LitRed());
        }
        QTRY_COMPARE_WITH_TIMEOUT(ReceiveLight(), Unlit(), 1000);
        QCOMPARE(PaneColour(Bar(), CMainFrame::kVerdictPane), CMainFrame::LitRed());
        QCOMPARE(Bar().PaneText(CMainFrame::kVerdictPane), QString("TIMED OUT"));
    }

    void everyToolWindowOpensFromTheViewMenuWithACheckMark()
    {
        for (const CToolWindowEntry& tool : CToolWindowTable::Entries()) {
            const auto window = [&] { return document->ToolWindow(tool.commandId); };
            QAction* action = frame->findChild<QAction*>(tool.actionName);
            QCOMPARE(action, frame->Action(tool.commandId));
            QCOMPARE(action->text(), QString(tool.menuText));
            QVERIFY(action->isCheckable() && !action->isChecked());
            QVERIFY(!window());

            action->trigger();
            QPointer<QWidget> opened = window();
            QVERIFY(opened && opened->isVisible());
            QVERIFY(action->isChecked());
            // Chosen again, it brings the same window forward and stays checked.
            action->trigger();
            QCOMPARE(window(), opened.data());
            QVERIFY(action->isChecked());

            // Closing the window takes the check mark away; the menu opens it anew.
            opened->close();
            QTRY_VERIFY(opened.isNull());
            QTRY_VERIFY(!action->isChecked());
            action->trigger();
            QVERIFY(window() && window()->isVisible());
            QVERIFY(action->isChecked());
            window()->close();
        }
    }

    void menuPromptsGoToTheStatusBar()
    {
        QAction* pause = frame->Action(CMainFrame::kPause);
        QCOMPARE(pause->toolTip(), QString("Toggle pause"));
        QCOMPARE(Bar().PromptText(), QString("Ready"));
        Bar().showMessage(pause->statusTip());
        QCOMPARE(Bar().PromptText(), QString("Pauses or unpauses the decoding of telegrams"));
    }
};

QTEST_MAIN(TestMainFrame)
#include "MainFrameTest.moc"
