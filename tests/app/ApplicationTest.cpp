// The program's command line: which tool windows it opens at start.
#include <QtTest>

#include "app/MainFrame.h"
#include "app/PositionPlotDlg.h"
#include "app/TelegramStatisticsDlg.h"
#include "app/VantrelApp.h"
#include "tests/app/GuiTestSupport.h"

class CApplicationTest : public QObject {
    Q_OBJECT

    static bool Parse(const QStringList& arguments, CVantrelApp::Options& options, QString& error)
    {
        return CVantrelApp::ParseArguments(QStringList("vantrel") + arguments, options, error);
    }

private slots:
    void OpenNamesTheToolWindowsAndToolWindowsOpensThemAll()
    {
        QCOMPARE(CVantrelApp::ToolWindowNames(), QStringList({"hex", "timing", "plot", "stats"}));
        CVantrelApp::Options options;
        QString error;
        QVERIFY(Parse({}, options, error));
        QVERIFY(options.windows.isEmpty() && !options.toolWindows);

        options = {};
        QVERIFY(Parse({"--open", "plot,stats"}, options, error));
        QCOMPARE(options.windows, QStringList({"plot", "stats"}));
        QVERIFY(!options.toolWindows);

        options = {};
        QVERIFY(Parse({"--open", "hex", "--open", "timing,hex,"}, options, error));
        QCOMPARE(options.windows, QStringList({"hex", "timing"}));

        options = {};
        QVERIFY(Parse({"--tool-windows"}, options, error));
        QVERIFY(options.toolWindows);
        QCOMPARE(options.windows, CVantrelApp::ToolWindowNames());

        options = {};
        QVERIFY(!Parse({"--open", "plot,map"}, options, error));
        QVERIFY2(error.contains("'map'"), qPrintable(error));
    }

    void TheNamedWindowsOpenAtStart()
    {
        CVantrelApp::Options options;
        QString error;
        QVERIFY(Parse({"--open", "stats,plot"}, options, error));
        CVantrelApp application(options);
        QVERIFY(application.InitInstance());
        CVantrelDoc* document = application.Document();
        QVERIFY(document->ToolWindowOf<CPositionPlotDlg>(CMainFrame::kPositionPlot));
        QVERIFY(document->ToolWindowOf<CTelegramStatisticsDlg>(CMainFrame::kTelegramStatistics));
        for (const int command : {CMainFrame::kPositionPlot, CMainFrame::kTelegramStatistics})
            QVERIFY(document->ToolWindow(command)->isVisible());
        QVERIFY(!document->IsToolWindowOpen(CMainFrame::kHexWindow) && !document->IsToolWindowOpen(CMainFrame::kTelegramTiming));
        for (const int command : {CMainFrame::kPositionPlot, CMainFrame::kTelegramStatistics})
            document->ToolWindow(command)->close();
    }
};

QTEST_MAIN(CApplicationTest)
#include "ApplicationTest.moc"
