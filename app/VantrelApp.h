#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "app/VantrelDoc.h"

class CMainFrame;
class CVantrelView;

// The application: reads the command line, creates the document (which
// opens the settings and starts the line), the view and the frame, and
// shows the window.
class CVantrelApp : public QObject {
    Q_OBJECT
public:
    static constexpr int kWindowWidth = 710;
    static constexpr int kWindowHeight = 660;

    struct Options {
        CVantrelDoc::Options document;
        QString screenshotPath;      // grab the window into this file, then quit
        double screenshotDelay = 5;  // seconds after the window is shown
        bool toolWindows = false;    // open every tool window at start (and picture the about box)
        QStringList windows;         // the tool windows to open at start, by name (ToolWindowNames)
        bool printShownTime = false; // print the wall clock once the window is up
        QStringList captureFiles;    // a recorded session to play instead of the line
        int captureSpeed = 0;        // CCapturePlayer::Speed it plays at
    };
    // Parses the program's arguments; false (with a message in error) on bad usage.
    static bool ParseArguments(const QStringList& arguments, Options& options, QString& error);
    static QString Usage();
    // "vantrel VERSION", as --version prints it.
    static QString VersionText();
    // The names of the tool windows of CToolWindowTable, as --open takes
    // them and as the screenshots of them end: hex, timing, plot, stats.
    static QStringList ToolWindowNames();

    explicit CVantrelApp(const Options& options);
    ~CVantrelApp() override;

    // Sets up the settings' location, the document, view and frame, and
    // shows the window. False when the window cannot be created.
    bool InitInstance();

    CVantrelDoc* Document() const { return document.get(); }
    CVantrelView* View() const { return view; }
    CMainFrame* Frame() const { return frame.get(); }

private:
    void TakeScreenshot();
    static bool SavePicture(QWidget* window, const QString& path);
    // The settings dialog filled from the controller, as the user opens it.
    bool SaveSettingsPicture(const QString& path);

    Options options;
    std::unique_ptr<CVantrelDoc> document;
    std::unique_ptr<CMainFrame> frame;
    CVantrelView* view = nullptr;  // owned by the frame
};
