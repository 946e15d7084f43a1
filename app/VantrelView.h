#pragma once
#include <QPointer>
#include <QStringList>
#include <QTextEdit>
#include <functional>
#include <memory>
#include <string>

#include "decoders/TelegramStatus.h"

class CVantrelDoc;
class QPrinter;
class QTextDocument;

// The main window's view: the report of the latest telegram, replaced
// whole by every new one, in a fixed-pitch font; the user may type into it. It applies the
// display filter, asks the frame to flash its lights, and carries the
// commands that act on the display and the line: Configure, Pause, the
// filter, the copy to a text editor and printing.
class CVantrelView : public QTextEdit {
    Q_OBJECT
public:
    // The colours of the report's colour table.
    static QColor RawColumnColour() { return QColor(100, 100, 255); }
    static QColor HighlightColour() { return QColor(244, 244, 194); }
    static constexpr int kSplashMilliseconds = 2000;

    explicit CVantrelView(CVantrelDoc* owner, QWidget* parent = nullptr);
    ~CVantrelView() override;

    // User-interface thread, for the telegrams the document shows (not
    // while paused, at most one every kViewGapMs), with the receive
    // status: the receive light flashes red for an empty read.
    void ShowReport(const std::string& report, const std::string& indexText, TelegramStatus status);
    // Puts a report's text with its colours, weights and sizes into target.
    static void RenderReport(const std::string& report, QTextDocument& target);

    // Commands.
    void OnConfigure();
    void OnPause();
    void OnTelegramFilter();
    void OnSendToNotepad();
    void OnPrint();
    void OnPrintPreview();
    void OnPrintSetup();
    // Prints the current report on printer, within its margins.
    void PrintTo(QPrinter& printer);
    // The printer the print commands share, with half-inch margins.
    QPrinter& Printer();

    bool IsPaused() const;
    // While the settings dialog of Configure is open.
    bool IsConfiguring() const { return configuring; }

    // Opens the snapshot file in the desktop's text editor: 0 when the
    // editor was started, otherwise an errno value (ENOENT: no editor).
    using SnapshotOpener = std::function<int(const QString& path)>;
    void SetSnapshotOpener(SnapshotOpener opener) { openSnapshot = std::move(opener); }
    static int OpenInTextEditor(const QString& path);
    // The file the last "Send to Notepad" wrote (empty before the first).
    // Every snapshot stays while the program runs, for the editor to read,
    // and is deleted with the view at the program's end.
    QString LastSnapshotPath() const { return lastSnapshotPath; }

signals:
    void flashReceiveLight(bool timedOut);
    // Only while filtering: whether the telegram was kept off the screen.
    void flashBlockLight(bool blocked);
    void pauseChanged();
    void settingsChanged();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowMessage(const QString& text, bool critical);

    QPointer<CVantrelDoc> vantrelDoc;
    std::unique_ptr<QPrinter> printer;
    SnapshotOpener openSnapshot;
    QString lastSnapshotPath;
    QStringList snapshotPaths;  // every snapshot written, deleted with the view
    bool splashShown = false;
    bool configuring = false;
};
