#pragma once
#include <QMainWindow>
#include <QMap>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <string>

#include "acquisition/CommSettings.h"

class CColorStatusBar;
class CPlayerBar;
class CVantrelDoc;
struct CLineEvent;
class CVantrelView;
class QAction;
class QTimer;
class QToolBar;

// The application's top-level window: menus, toolbar, the view, and a
// status bar whose panes are lights. The receive light flashes green for
// every telegram shown (red when it timed out), the filter pane green or
// red for every telegram the filter passed or blocked; each turns back
// 100 ms after its last flash. Beside the receive light, the verdict pane
// shows the last telegram's verdict ("OK", "CHECKSUM MISMATCH", ...), green
// when it was good and red otherwise, until the next telegram.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    enum CommandId {
        kHexWindow = 32771,
        kConfigure = 32773,
        kPause = 32774,
        kSendToNotepad = 32775,
        kTelegramFilter = 32776,
        kLogData = 32780,
        kTelegramTiming = 32783,
        kPositionPlot = 32790,
        kTelegramStatistics = 32791,
        kOpenCapture = 32801,
        kCloseCapture = 32802,
        kNewDocument = 57600,
        kPrintSetup = 57606,
        kPrint = 57607,
        kPrintPreview = 57609,
        kAbout = 57664,
        kExit = 57665
    };
    enum PaneIndex { kPromptPane = 0, kReceivePane = 1, kVerdictPane = 2, kFilterPane = 3, kPortPane = 4,
                     kCapsPane = 5, kNumPane = 6, kScrollPane = 7 };
    static constexpr int kLightMilliseconds = 100;
    static constexpr int kToolbarButtonSize = 34;
    static QColor LitGreen() { return QColor(0, 255, 0); }
    static QColor LitRed() { return QColor(255, 0, 0); }

    CMainFrame(CVantrelDoc* document, CVantrelView* view, QWidget* parent = nullptr);
    ~CMainFrame() override;

    QAction* Action(int commandId) const { return actions.value(commandId); }
    CColorStatusBar* ColorStatusBar() const { return statusPanes; }
    QToolBar* MainToolBar() const { return toolBar; }
    CPlayerBar* PlayerBar() const { return playerBar; }

    // The port-settings pane's text: "COM1" and "Config(9600,8,N,1)" read
    // "COM1 9600 8 N 1". A port mapped to a network line has no frame: it
    // shows the line's URL instead, "COM7 udp://:10110".
    static QString PortSettingsText(const std::string& portName, const std::string& configString,
                                    const std::string& networkUrl = std::string());
    // The toolbar strip for the current palette: light or dark artwork.
    static QString ToolbarArtwork(const QPalette& palette);

public slots:
    void OnFlashReceiveLight(bool timedOut);
    void OnFlashBlockLight(bool blocked);
    // The verdict pane shows a telegram's verdict word, green when good.
    void OnTelegramJudged(bool good, const QString& verdict);
    // The port pane follows what happens to the line.
    void OnLineEvent(const CLineEvent& event);
    // Refreshes the check marks and the filter and port panes.
    void UpdateCommandUi();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // A command with its menu text and its prompt ("status text\ntooltip").
    QAction* AddCommand(int id, const QString& text, const QString& prompt, std::function<void()> handler,
                        bool checkable = false);
    void CreateMenus();
    void CreateToolBar();
    void ApplyToolbarArtwork();
    void CreateStatusBar();
    void UpdateFilterPane();
    void UpdatePortPane();
    void TurnBackLight(int paneIndex);

    void OnNewDocument();
    void OnOpenCapture();
    // The player bar, the title and the port pane follow the capture.
    void OnCaptureChanged();
    void OnAbout();

    QPointer<CVantrelDoc> document;
    CVantrelView* view;
    QMap<int, QAction*> actions;
    QToolBar* toolBar = nullptr;
    CPlayerBar* playerBar = nullptr;
    CColorStatusBar* statusPanes = nullptr;
    QTimer* receiveLightTimer = nullptr;  // the receive light's 100 ms
    QTimer* blockLightTimer = nullptr;    // the filter pane's 100 ms
    QTimer* commandUiTimer = nullptr;
    // The port settings as last read; read again after a change.
    bool portSettingsKnown = false;
    bool portTextStale = true;
    std::string knownPortName;
    std::string knownConfigString;
    std::string knownNetworkUrl;  // the URL the port maps to, "" for a serial port
    CFraming knownFraming = CFraming::BySilence;
    // Why the line is not read, as the controller told it ("" while it is read).
    struct CLineFault {
        std::string portName;
        std::string reason;
        bool lost = false;
    };
    CLineFault lineFault;
    std::uint64_t droppedBySystem = 0;  // datagrams of the line since its port was chosen
    // What of the line the window showed, as the port pane last told it.
    struct CWindowShare {
        std::uint64_t leftOutOfView = 0;
        std::uint64_t missedByWindow = 0;
        bool configuring = false;
        bool operator==(const CWindowShare&) const = default;
    };
    CWindowShare shownShare;
    static QString WindowShareText(const CWindowShare& share);
};
