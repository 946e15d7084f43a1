#pragma once
// A tool window that shows what the document keeps (the trails of the
// positions, the statistics): modeless, deleting itself when closed and
// saying so, refreshed by a timer from the document, with ages measured by
// a clock a test can replace and files saved where a test can say.
#include <QDialog>
#include <QPointer>

#include <functional>
#include <initializer_list>

#include "app/SaveFileDialog.h"

class CVantrelDoc;
class QHBoxLayout;
class QPushButton;
class QTimer;

class CDocumentToolWindow : public QDialog {
    Q_OBJECT
public:
    ~CDocumentToolWindow() override;

    // Shows what the document holds now.
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
    CDocumentToolWindow(CVantrelDoc* document, const QString& title, const QString& objectName,
                        int refreshMilliseconds, QWidget* parent);

    // Runs on every tick of the refresh timer; by default Refresh.
    virtual void Tick();
    // Starts the refresh timer and refreshes once: the last step of a
    // window's construction.
    void StartRefreshing();

    CVantrelDoc* Document() const { return document; }
    double Now() const { return clock(); }
    // The path to save to (empty when the user cancelled).
    QString ChooseSavePath(const CSaveFileRequest& request);

    QPushButton* Button(const QString& text, const char* objectName);
    // The buttons at the left, then Close at the right.
    QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons);

private:
    QPointer<CVantrelDoc> document;
    Clock clock;
    CSavePathChooser chooseSavePath;
    QTimer* refreshTimer = nullptr;
};
