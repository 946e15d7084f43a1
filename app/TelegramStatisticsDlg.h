#pragma once
// The statistics window: per index how many telegrams came and how they
// ended, how many disagreed with their checksum or length, how regularly
// they came and how long ago the last one did; a row for reads without an
// index and the line's total with its rate. Shows the document's counts,
// which run from the start of the program (or the last Reset).
#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>
#include <utility>

#include "app/SaveFileDialog.h"

class CVantrelDoc;
class QLabel;
class QPushButton;
class QTableWidget;
class QTimer;

class CTelegramStatisticsDlg : public QDialog {
    Q_OBJECT
public:
    // Counts and ages are shown afresh this often.
    static constexpr int kRefreshMilliseconds = 500;
    static constexpr int kColumnCount = 13;

    explicit CTelegramStatisticsDlg(CVantrelDoc* document, QWidget* parent = nullptr);
    ~CTelegramStatisticsDlg() override;

    // Shows the document's statistics now (the timer does this twice a second).
    void Refresh();
    // The table as the window shows it, as comma-separated values: a header
    // line, then one line a row.
    QString CsvText() const;

    // Where ages are measured from: the system clock unless told otherwise.
    using Clock = std::function<double()>;
    void SetClock(Clock newClock) { clock = std::move(newClock); }
    // Where "Save As..." saves; by default a "save as" file dialog.
    void SetCsvPathChooser(CSavePathChooser chooser) { chooseCsvPath = std::move(chooser); }

    QTableWidget* Table() const { return table; }

signals:
    // Emitted once, when the window is finally destroyed.
    void closed();

public slots:
    void done(int result) override;

private:
    void BuildControls();
    void OnReset();
    void OnCopy();
    void OnSaveAs();

    QPointer<CVantrelDoc> document;
    Clock clock;
    CSavePathChooser chooseCsvPath;

    QLabel* sinceLabel = nullptr;
    QTableWidget* table = nullptr;
    QPushButton* resetButton = nullptr;
    QPushButton* copyButton = nullptr;
    QPushButton* saveButton = nullptr;
    QPushButton* closeButton = nullptr;
    QTimer* refreshTimer = nullptr;
    std::array<qsizetype, kColumnCount> widestText{};  // the longest text each column has shown
};
