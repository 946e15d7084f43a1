#include "app/VantrelApp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDateTime>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "acquisition/TelegramDecoder.h"
#include "app/AboutBox.h"
#include "app/CommSettingsDlg.h"
#include "app/MainFrame.h"
#include "app/PlayerBar.h"
#include "app/ToolWindowTable.h"
#include "app/VantrelView.h"
#include "app/VersionInfo.h"

CVantrelApp::CVantrelApp(const Options& options) : options(options) {}

CVantrelApp::~CVantrelApp()
{
    // The controller stops before the windows it reports to go away.
    if (document)
        document->OnCloseDocument();
    frame.reset();
}

QString CVantrelApp::VersionText()
{
    return "vantrel " + CVersionInfo::Version();
}

QString CVantrelApp::Usage()
{
    return "usage: vantrel [--demo] [--demo-rate HZ] [--tool-windows] [--open NAMES]\n"
           "               [--screenshot PATH [--screenshot-delay S]]\n"
           "       vantrel --version | --help\n"
           "  --demo              read a simulated line of the stored telegram type; the\n"
           "                      stored port is left as it is\n"
           "  --demo-rate HZ      telegrams per second on the simulated line (default 2)\n"
           "  --tool-windows      open every tool window at start\n"
           "  --open NAMES        open these tool windows at start, a comma-separated list\n"
           "                      of hex, timing, plot (the position plot) and stats\n"
           "                      (the telegram statistics)\n"
           "  --capture FILE      play a recorded session (a JSON Lines capture of\n"
           "                      vantrel-cli monitor --json, or a raw or CSV log) instead\n"
           "                      of the line; give it again for further files\n"
           "  --capture-speed X   the speed it plays at: 1, 10, 100 or fast (default 1)\n"
           "  --screenshot PATH   save a picture of the window as PATH, then quit, and one\n"
           "                      of each open tool window as PATH-NAME.png (PATH without\n"
           "                      its .png); with --tool-windows also PATH-about.png and\n"
           "                      PATH-settings.png\n"
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
    const QCommandLineOption open("open", "", "NAMES");
    const QCommandLineOption capture("capture", "", "FILE");
    const QCommandLineOption captureSpeed("capture-speed", "", "X");
    parser.addOptions({demo, demoRate, screenshot, screenshotDelay, printShownTime, toolWindows, open, capture,
                       captureSpeed});
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
    options.windows = options.toolWindows ? ToolWindowNames() : QStringList();
    for (const QString& names : parser.values(open)) {
        for (const QString& name : names.split(',', Qt::SkipEmptyParts)) {
            if (!ToolWindowNames().contains(name)) {
                error = QString("--open takes %1, not '%2'").arg(ToolWindowNames().join(", "), name);
                return false;
            }
            if (!options.windows.contains(name))
                options.windows << name;
        }
    }
    options.captureFiles = parser.values(capture);
    const QStringList speeds = {"1", "10", "100", "fast"};
    const QString speed = parser.isSet(captureSpeed) ? parser.value(captureSpeed) : QStringLiteral("1");
    if (!speeds.contains(speed)) {
        error = QString("--capture-speed takes %1, not '%2'").arg(speeds.join(", "), speed);
        return false;
    }
    options.captureSpeed = static_cast<int>(speeds.indexOf(speed));
    options.screenshotPath = parser.value(screenshot);
    if (parser.isSet(screenshotDelay))
        options.screenshotDelay = parser.value(screenshotDelay).toDouble(&isNumber);
    if (!isNumber || options.screenshotDelay < 0) {
        error = "--screenshot-delay takes a number of seconds";
        return false;
    }
    return true;
}

QStringList CVantrelApp::ToolWindowNames()
{
    QStringList names;
    for (const CToolWindowEntry& tool : CToolWindowTable::Entries())
        names << tool.name;
    return names;
}

bool CVantrelApp::InitInstance()
{
    QCoreApplication::setOrganizationName("Quorvane International Ltd");
    QCoreApplication::setApplicationName("Vantrel");
    // The desktop finds the menu entry and its icon for the window by this name.
    QGuiApplication::setDesktopFileName(CVersionInfo::DesktopEntryName());

    // The document first: it opens the settings and starts the line.
    document = std::make_unique<CVantrelDoc>(options.document);
    view = new CVantrelView(document.get());
    frame = std::make_unique<CMainFrame>(document.get(), view);
    document->OnNewDocument();

    frame->resize(kWindowWidth, kWindowHeight);
    frame->show();
    frame->raise();
    frame->activateWindow();
    for (const CToolWindowEntry& tool : CToolWindowTable::Entries()) {
        if (options.windows.contains(tool.name))
            document->OnToolWindow(tool.commandId);
    }
    if (!options.captureFiles.isEmpty() && document->OpenCapture(options.captureFiles))
        frame->PlayerBar()->SetSpeed(options.captureSpeed);

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

bool CVantrelApp::SaveSettingsPicture(const QString& path)
{
    // The settings dialog as "Configure..." fills it.
    CTelegramDecoder* controller = document->telegramDecoder();
    CCommSettingsDlg settings(frame.get());
    if (controller) {
        controller->ReadCommSettings(settings.portName, settings.configString, settings.receiveTimeout);
        settings.telegramType = controller->GetTelegramType();
        settings.framing = controller->GetFraming();
    }
    settings.show();
    settings.adjustSize();  // to the texts the lists were filled with
    return SavePicture(&settings, path);
}

void CVantrelApp::TakeScreenshot()
{
    bool saved = SavePicture(frame.get(), options.screenshotPath);
    QString base = options.screenshotPath;
    if (base.endsWith(".png"))
        base.chop(4);
    for (const CToolWindowEntry& tool : CToolWindowTable::Entries()) {
        if (QWidget* window = document->ToolWindow(tool.commandId))
            saved = SavePicture(window, base + "-" + tool.name + ".png") && saved;
    }
    if (options.toolWindows) {
        CAboutBox about(frame.get());
        about.show();
        saved = SavePicture(&about, base + "-about.png") && saved;
        saved = SaveSettingsPicture(base + "-settings.png") && saved;
    }
    QCoreApplication::exit(saved ? 0 : 1);
}
