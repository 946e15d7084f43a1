#pragma once
// The timing window: one row per telegram index (transponder, vessel or
// array) with the age of its latest telegram, a bar that fills towards the
// position timeout, and an age box that turns red once the index has been
// silent for longer than the timeout and stays red until Reset.
#include <QColor>
#include <QDialog>
#include <QPalette>

#include <array>
#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

#include "decoders/TelegramIndex.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class CiLedBarX;

class CTimingDiagnosticsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kDisplayedRows = 10;
    static constexpr int kTickMilliseconds = 50;
    static constexpr double kDefaultPositionTimeout = 5.0;

    explicit CTimingDiagnosticsDlg(QWidget* parent = nullptr);
    ~CTimingDiagnosticsDlg() override;

    // Takes one index record from the document (UI thread). Records whose
    // index the decoder could not identify are dropped.
    void ReceiveTimingRecord(const CTelegramIndex& record);

    // One refresh of every row's text, age and bar; the 50 ms timer runs it.
    void Tick();

    // Where ages are measured from: the system clock unless told otherwise.
    using Clock = std::function<double()>;
    void SetClock(Clock clock);

    double PositionTimeout() const { return positionTimeout; }
    std::size_t TrackedIndexCount() const;
    bool IsRowStale(int row) const;
    static QColor StaleColour() { return QColor(255, 100, 100); }

signals:
    // Emitted once, when the window is finally destroyed.
    void closed();
    // Apply took a new position timeout, in seconds.
    void positionTimeoutApplied(double seconds);

public slots:
    void done(int result) override;

private slots:
    void OnReset();
    void OnApply();
    void OnTimeoutTextChanged();

private:
    struct CRowControls {
        QLineEdit* indexBox = nullptr;
        CiLedBarX* bar = nullptr;
        QLineEdit* ageBox = nullptr;
    };

    void BuildControls();
    void SetScale();
    void LayOutRows();
    void UpdateRow(int row, const QString& indexText, double ageSeconds);
    void PaintStaleRows();
    void ShowTimeout();

    mutable std::recursive_mutex entriesLock;  // guards entries
    std::vector<CTelegramIndex> entries;       // in order of first arrival
    double positionTimeout = kDefaultPositionTimeout;
    std::array<bool, kDisplayedRows> staleFlags{};
    Clock clock;

    std::array<CRowControls, kDisplayedRows> rows{};
    QPalette defaultAgePalette;
    QLabel* waitingLabel = nullptr;
    QLineEdit* timeoutEdit = nullptr;
    QPushButton* resetButton = nullptr;
    QPushButton* applyButton = nullptr;
    QPushButton* closeButton = nullptr;
    QTimer* tickTimer = nullptr;
};
