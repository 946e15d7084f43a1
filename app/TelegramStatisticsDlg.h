#pragma once
// The statistics window: per index how many telegrams came and how they
// ended (good, by the status that failed, or disagreeing with their
// checksum or length), how regularly they came and how long ago the last
// one did; a row for the indexes past the cap, one for reads without an
// index and the line's total with its rate. Draws the statistics it is
// given, which run from the start of the program (or the last Reset).
#include <QtGlobal>

#include <array>
#include <memory>

#include "app/ToolWindow.h"
#include "models/TelegramStatistics.h"

class QLabel;
class QTableWidget;

class CTelegramStatisticsDlg : public CToolWindow {
    Q_OBJECT
public:
    explicit CTelegramStatisticsDlg(std::shared_ptr<CTelegramStatistics> statistics, QWidget* parent = nullptr);

    // Shows the statistics now (the timer does this twice a second).
    void Refresh() override;
    // The table as the window shows it, as comma-separated values: a header
    // line, then one line a row.
    QString CsvText() const;

    QTableWidget* Table() const { return table; }

private:
    static constexpr int kColumnCount = 14;

    void BuildControls();
    // A line below the table, hidden until it has something to tell.
    QLabel* NoticeLabel(const char* name);
    void OnReset();
    void OnCopy();
    void OnSaveAs();

    std::shared_ptr<CTelegramStatistics> statistics;

    QLabel* sinceLabel = nullptr;
    QLabel* droppedLabel = nullptr;  // datagrams of a network line the system dropped, when there were any
    QLabel* severalLabel = nullptr;  // reads framed by silence that hold several telegrams, when there were any
    QLabel* indexCapLabel = nullptr;  // that later indexes share a row, once there are too many
    QTableWidget* table = nullptr;
    std::array<qsizetype, kColumnCount> widestText{};  // the longest text each column has shown
};
