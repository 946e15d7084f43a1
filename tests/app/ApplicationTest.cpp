// The program's command line: which tool windows it opens at start.
#include <QtTest>

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
        QVERIFY(document->PlotWindow() && document->PlotWindow()->isVisible());
        QVERIFY(document->StatisticsWindow() && document->StatisticsWindow()->isVisible());
        QVERIFY(!document->IsHexWindowOpen() && !document->IsTimingWindowOpen());
        document->PlotWindow()->close();
        document->StatisticsWindow()->close();
    }
};

QTEST_MAIN(CApplicationTest)
#include "ApplicationTest.moc"
