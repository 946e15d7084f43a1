#pragma once
// A tool window: modeless, deleting itself when closed and saying so, it
// draws a model it is given (a shared one, so the window may close at any
// moment and the model outlive it, or the model the window) and refreshes
// itself from it on a timer; ages are measured by a clock a test can
// replace, and files saved where a test can say. The table of tool windows
// (CToolWindowTable) opens them.
#include <QDialog>

#include <functional>
#include <initializer_list>

#include "app/SaveFileDialog.h"

class QHBoxLayout;
class QPushButton;
class QTimer;

class CToolWindow : public QDialog {
    Q_OBJECT
public:
    ~CToolWindow() override;

    // Shows what the model holds now.
    virtual void Refresh() = 0;

    // Where ages are measured from: the system clock unless told otherwise.
    using Clock = std::function<double()>;
    void SetClock(Clock newClock);
    // Where the window saves a file; by default a "save as" dialog.
    void SetSavePathChooser(CSavePathChooser chooser);

signals:
    // Emitted once, when the window is finally destroyed.
    void closed();

public slots:
    void done(int result) override;

protected:
    // The next refresh comes refreshMilliseconds after the last one ended.
    CToolWindow(const QString& title, const QString& objectName, int refreshMilliseconds, QWidget* parent);

    // Runs on every tick of the refresh timer; by default Refresh.
    virtual void Tick();
    // Starts the refresh timer and refreshes once: the last step of a
    // window's construction.
    void StartRefreshing();

    double Now() const { return clock(); }
    // The path to save to (empty when the user cancelled).
    QString ChooseSavePath(const CSaveFileRequest& request);

    QPushButton* Button(const QString& text, const char* objectName);
    // The buttons at the left, then Close at the right.
    QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons);

private:
    void OnRefreshTimer();

    Clock clock;
    CSavePathChooser chooseSavePath;
    QTimer* refreshTimer = nullptr;
};
