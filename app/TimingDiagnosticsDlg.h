#pragma once
// The timing window: one row per telegram index (transponder, vessel or
// array) with the age of its latest telegram, a bar that fills towards the
// position timeout, and an age box that turns red once the index has been
// silent for longer than the timeout and stays red until Reset. It draws
// the timing ages it is given; Reset and Apply change them.
#include <QColor>
#include <QPalette>

#include <array>
#include <cstddef>
#include <memory>

#include "app/ToolWindow.h"
#include "models/TimingAges.h"

class QLabel;
class QLineEdit;
class QPushButton;
class CiLedBarX;

class CTimingDiagnosticsDlg : public CToolWindow {
    Q_OBJECT
public:
    static constexpr int kDisplayedRows = 10;
    static constexpr int kTickMilliseconds = 50;

    explicit CTimingDiagnosticsDlg(std::shared_ptr<CTimingAges> ages, QWidget* parent = nullptr);

    // One refresh of the rows, every row's text, age and bar and the red
    // age boxes; the 50 ms timer runs it.
    void Refresh() override;

    double PositionTimeout() const { return ages->PositionTimeout(); }
    std::size_t TrackedIndexCount() const { return ages->Rows().size(); }
    // Whether the row's age box is red.
    bool IsRowStale(int row) const;
    static QColor StaleColour() { return QColor(255, 100, 100); }

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

    std::shared_ptr<CTimingAges> ages;
    std::size_t laidOutRows = 0;  // the rows of ages shown
    std::array<bool, kDisplayedRows> staleFlags{};

    std::array<CRowControls, kDisplayedRows> rows{};
    QPalette defaultAgePalette;
    QLabel* waitingLabel = nullptr;
    QLineEdit* timeoutEdit = nullptr;
    QPushButton* resetButton = nullptr;
    QPushButton* applyButton = nullptr;
    QPushButton* closeButton = nullptr;
};
