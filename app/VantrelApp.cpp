#include "app/VantrelApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "app/AboutBox.h"
#include "app/DataMonitorDlg.h"
#include "app/MainFrame.h"
#include "app/TimingDiagnosticsDlg.h"
#include "app/VantrelView.h"

CVantrelApp::CVantrelApp(const Options& options) : options(options) {}

CVantrelApp::~CVantrelApp()
{
    // The controller stops before the windows it reports to go away.
    if (document)
        document->OnCloseDocument();
    frame.reset();
}

QString CVantrelApp::Usage()
{
    return "usage: vantrel [--demo] [--demo-rate HZ] [--tool-windows]\n"
           "               [--screenshot PATH [--screenshot-delay S]]\n"
           "  --demo              read a simulated line of the stored telegram type; the\n"
           "                      stored port is left as it is\n"
           "  --demo-rate HZ      telegrams per second on the simulated line (default 2)\n"
           "  --tool-windows      open the hex and timing windows at start\n"
           "  --screenshot PATH   save a picture of the window as PATH, then quit; with\n"
           "                      --tool-windows also PATH-hex.png, PATH-timing.png and\n"
           "                      PATH-about.png (PATH without its .png)\n"
           "  --screenshot-delay S  seconds to wait before the picture (default 5)\n"
           "  --print-shown-time  print \"shown MS\" (milliseconds since 1970) once the\n"
           "                      window is up, for measuring the start-up time\n";
}

bool CVantrelApp::ParseArguments(const QStringList& arguments, Options& options, QString& error)
{
    QCommandLineParser parser;
    const QCommandLineOption demo("demo");
    const QCommandLineOption demoRate("demo-rate", "", "HZ");
    const QCommandLineOption screenshot("screenshot", "", "PATH");
    const QCommandLineOption screenshotDelay("screenshot-delay", "", "S");
    const QCommandLineOption printShownTime("print-shown-time");
    const QCommandLineOption toolWindows("tool-windows");
    parser.addOptions({demo, demoRate, screenshot, screenshotDelay, printShownTime, toolWindows});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QString("unexpected argument '%1'").arg(parser.positionalArguments().constFirst());
        return false;
    }
    options.document.demo = parser.isSet(demo);
    bool isNumber = true;
    if (parser.isSet(demoRate))
        options.document.demoRate = parser.value(demoRate).toDouble(&isNumber);
    if (!isNumber || options.document.demoRate <= 0 || options.document.demoRate > 1000) {
        error = "--demo-rate takes a number of telegrams per second above 0, at most 1000";
        return false;
    }
    options.printShownTime = parser.isSet(printShownTime);
    options.toolWindows = parser.isSet(toolWindows);
    options.screenshotPath = parser.value(screenshot);
    if (parser.isSet(screenshotDelay))
        options.screenshotDelay = parser.value(screenshotDelay).toDouble(&isNumber);
    if (!isNumber || options.screenshotDelay < 0) {
        error = "--screenshot-delay takes a number of seconds";
        return false;
    }
    return true;
}

bool CVantrelApp::InitInstance()
{
    QCoreApplication::setOrganizationName("Quorvane International Ltd");
    QCoreApplication::setApplicationName("Vantrel");

    // The document first: it opens the settings and starts the line.
    document = std::make_unique<CVantrelDoc>(options.document);
    view = new CVantrelView(document.get());
    frame = std::make_unique<CMainFrame>(document.get(), view);
    document->OnNewDocument();

    frame->resize(kWindowWidth, kWindowHeight);
    frame->show();
    frame->raise();
    frame->activateWindow();
    if (options.toolWindows) {
        document->OnHexWindow();
        document->OnTelegramTiming();
    }

    if (options.printShownTime) {
        // The first turn of the event loop comes after the window's first paint.
        QTimer::singleShot(0, this, [] {
            std::printf("shown %lld\n", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
            std::fflush(stdout);
        });
    }
    if (!options.screenshotPath.isEmpty())
        QTimer::singleShot(static_cast<int>(options.screenshotDelay * 1000), this, &CVantrelApp::TakeScreenshot);
    return true;
}

bool CVantrelApp::SavePicture(QWidget* window, const QString& path)
{
    if (window->grab().save(path, "PNG"))
        return true;
    qWarning("vantrel: the screenshot could not be saved as %s", qPrintable(path));
    return false;
}

void CVantrelApp::TakeScreenshot()
{
    bool saved = SavePicture(frame.get(), options.screenshotPath);
    if (options.toolWindows) {
        QString base = options.screenshotPath;
        if (base.endsWith(".png"))
            base.chop(4);
        if (document->HexWindow())
            saved = SavePicture(document->HexWindow(), base + "-hex.png") && saved;
        if (document->TimingWindow())
            saved = SavePicture(document->TimingWindow(), base + "-timing.png") && saved;
        CAboutBox about(frame.get());
        about.show();
        saved = SavePicture(&about, base + "-about.png") && saved;
    }
    QCoreApplication::exit(saved ? 0 : 1);
}
