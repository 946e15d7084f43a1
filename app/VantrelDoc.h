#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "acquisition/TelegramReceiver.h"
#include "app/DeliveryQueue.h"
#include "app/SaveFileDialog.h"
#include "app/ToolWindow.h"
#include "app/ToolWindowModels.h"

class CCapturePlayer;
class CDemoLine;
class CMemorySettingsStore;
class CRegistry;
class CTelegramDecoder;
class CVantrelView;
class QTimer;
class QWidget;

// How the document reaches the line.
struct CDocumentOptions {
    bool demo = false;      // read a simulated line instead of the stored port
    double demoRate = 2.0;  // telegrams per second on the simulated line
};

// The one document of the window: owns the settings store and the
// acquisition controller, receives every telegram and line event from the
// reader thread and passes it, on the user-interface thread and in arrival
// order, to the models of the tool windows and to the view. The models and
// the tool windows take every telegram, paused display or not; the view
// shows at most one report every kViewGapMs, the latest, and counts those
// it had no time for. What waits for the user-interface thread is bounded
// (CDeliveryQueue). Holds the
// display filter and carries the "Log Data" command and the commands of the
// tool windows of CToolWindowTable ("Hex Window", "Telegram Timing", ...).
// Keeps, from the start of the program, the line's models (statistics,
// position trails, timing ages) that the tool windows draw.
class CVantrelDoc : public QObject, public CTelegramReceiver {
    Q_OBJECT
public:
    using Options = CDocumentOptions;

    explicit CVantrelDoc(const Options& options = {}, QObject* parent = nullptr);
    ~CVantrelDoc() override;

    // Creates the settings store and the controller the first time; later
    // calls keep both. Tells the user when either cannot be created.
    bool OnNewDocument();
    // Stops the controller (the reader thread ends, the logs close, and a
    // failure to write or close them is shown before this returns), then
    // closes the store.
    void OnCloseDocument();

    void SetView(CVantrelView* newView);
    CVantrelView* View() const;
    // The controller, or null when it could not be created.
    CTelegramDecoder* telegramDecoder() const { return controller.get(); }
    CDemoLine* DemoLine() const { return demoLine.get(); }

    // The report view shows no more often than this; the reports that come
    // faster are left out of the view only.
    static constexpr int kViewGapMs = 40;

    bool IsFilterEnabled() const { return filterEnabled; }
    // Whether the display filter lets a report with this index text onto
    // the view (always while it is off). The index bytes read as the report
    // shows them, so a character typed into the filter never stands in for
    // another one.
    bool PassesFilter(const std::string& indexText) const;
    // The view's pause (the controller's flag): the view holds its report,
    // the models and the tool windows go on.
    bool IsDisplayPaused() const;
    // Reports the view had no time for (they came faster than it shows
    // them), since the line or the capture began: the logs and the tool
    // windows have every one.
    std::uint64_t TelegramsLeftOutOfView() const { return leftOutOfView; }
    // Telegrams that came while the window did not answer for so long
    // that the queue to it was full: the logs have them, the window not.
    std::uint64_t TelegramsMissedByWindow() const { return missedByWindow; }
    void SetFilterEnabled(bool enabled);
    QString GetFilterText() const { return filterText; }
    void SetFilterText(const QString& text);

    // Applies what the settings dialog handed back: port, frame and timeout,
    // then the telegram type. What did not change stays as it is: the line
    // is opened again only for another port or frame, the decoder (with its
    // telegram count and logs) is replaced only for another type.
    void ApplyCommSettings(const std::string& portName, const std::string& configString,
                           int receiveTimeout, int telegramType);

    // Plays recorded files into the document instead of the line: reads
    // their times once (with a progress bar), closes the line and shows
    // the capture's telegrams as if the line sent them, with their recorded
    // times; the models start empty and the tool windows' ages follow the
    // recorded time. False when the user cancelled or nothing can be played
    // (the user is told why).
    bool OpenCapture(const QStringList& files);
    // Stops the capture and reads the line again, with the models emptied.
    void CloseCapture();
    // The capture that plays, null while the line is read.
    CCapturePlayer* Capture() const { return capture.get(); }

    // Commands.
    void OnLogData();
    bool IsLogging() const;
    // The command of a tool window of the table: opens it, or brings the
    // open one forward (at most one of each).
    void OnToolWindow(int commandId);
    // The open tool window of a command, until it is finally destroyed; null when none is open.
    CToolWindow* ToolWindow(int commandId) const;
    bool IsToolWindowOpen(int commandId) const { return ToolWindow(commandId) != nullptr; }
    template <typename Window>
    Window* ToolWindowOf(int commandId) const
    {
        return qobject_cast<Window*>(ToolWindow(commandId));
    }

    // What is known of the line since the program started, from every
    // telegram handed over: its statistics, the trails of its positions and
    // the ages of its indexes. Shared with the tool windows that draw it.
    const std::shared_ptr<CLineModels>& Models() const { return toolWindowModels.Line(); }

    // Where the "Log Data" command asks for the CSV path; empty means the
    // user cancelled. By default a "save as" file dialog that asks before
    // logging replaces an existing CSV file or the raw file beside it.
    using LogPathChooser = CSavePathChooser;
    void SetLogPathChooser(LogPathChooser chooser) { chooseLogPath = std::move(chooser); }
    static QString AskForLogPath(QWidget* parent);

    // The parent of the document's messages and dialogs.
    void SetMainWindow(QWidget* window);

    // Reader thread.
    void OnTelegramDecoded(const CSharedTelegram& telegram) override;
    void OnLogWriteError(const std::string& reason) override;
    // Passed on, on the user-interface thread and in order with the
    // telegrams, as lineEvent (dropped datagrams are counted first).
    void OnLineEvent(const CLineEvent& event) override;
    // Shown once in a message box that does not block.
    void OnNotice(const std::string& text) override;

signals:
    void filterChanged();
    void toolWindowsChanged();
    void loggingChanged();
    // After every telegram handed on (user-interface thread).
    void telegramDelivered();
    // For every telegram shown in an open window: whether it was good, and
    // its verdict word.
    void telegramJudged(bool good, const QString& verdict);
    // Once, for the first read framed by silence that held several whole
    // telegrams (user-interface thread).
    void severalTelegramsInRead();
    // What happened to the line (user-interface thread).
    void lineEvent(const CLineEvent& event);
    // A capture was opened or closed.
    void captureChanged();
    // What could not be read of a capture that plays, by file and line.
    void captureMessage(const QString& text);

private:
    // User-interface thread: what the reader thread queued, in order.
    void TakeDelivered();
    void Deliver(const CSharedTelegram& telegram);
    void DeliverLineEvent(const CLineEvent& event);
    // The view's share of a telegram: shown now, or the latest waiting for
    // the view's next turn.
    void OfferToView(const CSharedTelegram& telegram);
    void ShowWaitingReport();
    void ShowInView(const CDecodedTelegram& telegram);
    bool ViewShows() const;
    void ReportLogWriteError(const QString& reason);
    void ShowMessage(const QString& text, bool critical);
    void ShowMessageAndWait(const QString& text);
    void CreateStores();
    void CreateController();
    // Empties the models once what was queued before has been shown.
    void ClearModelsAfterQueued();
    // Stops the capture (if one plays); the tool windows' ages follow the clock again.
    void EndCapture();
    void SetToolWindowClocks();
    // Where the tool windows measure ages: the capture's time while one plays.
    CToolWindow::Clock ToolWindowClock() const;

    Options options;
    std::unique_ptr<CRegistry> registry;
    std::unique_ptr<CMemorySettingsStore> demoSettings;  // the demo run's settings, never stored
    std::unique_ptr<CDemoLine> demoLine;
    std::unique_ptr<CTelegramDecoder> controller;
    std::unique_ptr<CCapturePlayer> capture;
    bool filterEnabled = false;
    QString filterText = QStringLiteral("0");
    CToolWindowModels toolWindowModels;
    CDeliveryQueue delivery;
    CSharedTelegram waitingForView;  // the latest report the view has not had time for
    QTimer* viewTimer = nullptr;     // the view's next turn
    QElapsedTimer sinceShown;        // since the view last showed a report
    std::uint64_t leftOutOfView = 0;
    std::uint64_t missedByWindow = 0;
    std::map<int, QPointer<CToolWindow>> toolWindows;  // by command
    QPointer<CVantrelView> view;
    QPointer<QWidget> mainWindow;
    LogPathChooser chooseLogPath;
    bool writeErrorShown = false;  // one message per logging session
    bool severalTelegramsTold = false;
    bool closing = false;          // the document closes: messages wait for the user
};
