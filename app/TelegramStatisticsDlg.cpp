#include "app/TelegramStatisticsDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>

#include <chrono>
#include <iterator>
#include <optional>

#include "app/UserMessage.h"
#include "decoders/CsvCell.h"
#include "report/ReceivedText.h"

namespace {

// Counts and ages are shown afresh this often.
constexpr int kRefreshMilliseconds = 500;

QString Count(std::uint64_t value)
{
    return QString::number(value);
}

QString Seconds(double value)
{
    return QString::number(value, 'f', 3);
}

// One column of the table: its title (in CSV), its heading in the window
// and what a row shows in it at clock time now.
struct CColumn {
    const char* title;
    const char* heading;
    QString (*cell)(const CStatisticsRow& row, double now);
    bool number;
};

const CColumn kColumns[] = {
    {"Kind", "Kind", [](const CStatisticsRow& row, double) { return QString::fromStdString(row.KindText()); }, false},
    // Received bytes as Latin-1 characters, control characters as '?', as
    // in the terminal's table: the copied table stays one line a row.
    {"Index", "Index",
     [](const CStatisticsRow& row, double) { return QString::fromStdString(TerminalCell(row.IndexText())); }, false},
    {"Telegrams", "Telegrams", [](const CStatisticsRow& row, double) { return Count(row.telegrams); }, true},
    {"OK", "OK", [](const CStatisticsRow& row, double) { return Count(row.ok); }, true},
    {"BAD DATA", "BAD\nDATA", [](const CStatisticsRow& row, double) { return Count(row.badData); }, true},
    {"EARLT EOT", "EARLT\nEOT", [](const CStatisticsRow& row, double) { return Count(row.earlyEot); }, true},
    {"TIMED OUT", "TIMED\nOUT", [](const CStatisticsRow& row, double) { return Count(row.timedOut); }, true},
    {"CHECKSUM ERROR", "CHECKSUM\nERROR", [](const CStatisticsRow& row, double) { return Count(row.checksumErrors); },
     true},
    {"Checksum mismatches", "Checksum\nmismatches",
     [](const CStatisticsRow& row, double) { return Count(row.checksumMismatches); }, true},
    {"Length mismatches", "Length\nmismatches",
     [](const CStatisticsRow& row, double) { return Count(row.lengthMismatches); }, true},
    {"Mean interval (s)", "Mean\ninterval (s)",
     [](const CStatisticsRow& row, double) { return Seconds(row.MeanIntervalSeconds()); }, true},
    {"Longest interval (s)", "Longest\ninterval (s)",
     [](const CStatisticsRow& row, double) { return Seconds(row.MaxIntervalSeconds()); }, true},
    // None before a telegram arrived: a silent line never looks fresh.
    {"Age (s)", "Age (s)",
     [](const CStatisticsRow& row, double now) {
         const std::optional<double> age = row.AgeSeconds(now);
         return age ? Seconds(*age) : QString();
     },
     true},
    {"Rate (/s)", "Rate (/s)", [](const CStatisticsRow& row, double) { return Seconds(row.Rate()); }, true},
};

// A cell of a CSV line as the logs write one: quoted when it holds a
// comma, a quote or a line break, with its quotes doubled; a received index
// such as "=HYPERLINK(...)" is kept from running as a formula.
QString CsvCell(const QString& text)
{
    return QString::fromStdString(CCsvCell::Text(text.toStdString()));
}

} // namespace

CTelegramStatisticsDlg::CTelegramStatisticsDlg(std::shared_ptr<CTelegramStatistics> lineStatistics, QWidget* parent)
    : CToolWindow(QStringLiteral("Telegram statistics"), QStringLiteral("telegramStatistics"), kRefreshMilliseconds,
                  parent)
    , statistics(std::move(lineStatistics))
{
    BuildControls();
    StartRefreshing();
}

void CTelegramStatisticsDlg::BuildControls()
{
    sinceLabel = new QLabel(this);
    sinceLabel->setObjectName(QStringLiteral("sinceLabel"));

    static_assert(std::size(kColumns) == kColumnCount);
    table = new QTableWidget(0, kColumnCount, this);
    widestText.fill(0);
    table->setObjectName(QStringLiteral("statisticsTable"));
    QStringList headings;
    for (const CColumn& column : kColumns)
        headings << QString::fromLatin1(column.heading);
    table->setHorizontalHeaderLabels(headings);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    // Columns are fitted to their contents when a text grows longer than
    // any before it, not on every refresh: measuring every cell is slow.
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);

    QPushButton* resetButton = Button(QStringLiteral("&Reset"), "resetButton");
    QPushButton* copyButton = Button(QStringLiteral("&Copy"), "copyButton");
    copyButton->setToolTip(QStringLiteral("Copy the table as comma-separated values"));
    QPushButton* saveButton = Button(QStringLiteral("Save &As..."), "saveButton");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sinceLabel);
    layout->addWidget(table, 1);
    droppedLabel = NoticeLabel("droppedLabel");
    layout->addWidget(droppedLabel);
    severalLabel = NoticeLabel("severalLabel");
    layout->addWidget(severalLabel);
    indexCapLabel = NoticeLabel("indexCapLabel");
    indexCapLabel->setText(QString::fromStdString(CTelegramStatistics::IndexCapText()));
    layout->addWidget(indexCapLabel);
    layout->addLayout(ButtonRow({resetButton, copyButton, saveButton}));
    resize(920, 320);

    connect(resetButton, &QPushButton::clicked, this, &CTelegramStatisticsDlg::OnReset);
    connect(copyButton, &QPushButton::clicked, this, &CTelegramStatisticsDlg::OnCopy);
    connect(saveButton, &QPushButton::clicked, this, &CTelegramStatisticsDlg::OnSaveAs);
}

QLabel* CTelegramStatisticsDlg::NoticeLabel(const char* name)
{
    auto* label = new QLabel(this);
    label->setObjectName(QString::fromLatin1(name));
    label->hide();
    return label;
}

void CTelegramStatisticsDlg::Refresh()
{
    const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(statistics->Since().time_since_epoch());
    sinceLabel->setText(QStringLiteral("Telegrams handed to the window since %1")
                            .arg(QDateTime::fromMSecsSinceEpoch(since.count())
                                     .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    const std::uint64_t dropped = statistics->DroppedBySystem();
    droppedLabel->setVisible(dropped > 0);
    droppedLabel->setText(QStringLiteral("Datagrams dropped by the system: %1").arg(dropped));
    const std::uint64_t several = statistics->ReadsHoldingSeveral();
    severalLabel->setVisible(several > 0);
    severalLabel->setText(
        QStringLiteral("Reads holding several telegrams: %1 (framing \"By content\" would part them)").arg(several));
    indexCapLabel->setVisible(statistics->IndexesPastCap());
    const std::vector<CStatisticsRow> rows = statistics->Rows();
    const double now = Now();
    table->setRowCount(static_cast<int>(rows.size()));
    bool fitColumns = false;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const CStatisticsRow& row = rows[static_cast<std::size_t>(r)];
        const bool total = row.rowKind == CStatisticsRow::Kind::Total;
        for (int c = 0; c < kColumnCount; ++c) {
            QTableWidgetItem* item = table->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(kColumns[c].number ? Qt::AlignRight | Qt::AlignVCenter
                                                          : Qt::AlignLeft | Qt::AlignVCenter);
                table->setItem(r, c, item);
            }
            const QString text = kColumns[c].cell(row, now);
            if (text != item->text())
                item->setText(text);
            if (text.size() > widestText[static_cast<std::size_t>(c)]) {
                widestText[static_cast<std::size_t>(c)] = text.size();
                fitColumns = true;
            }
            if (item->font().bold() != total) {
                QFont font = item->font();
                font.setBold(total);
                item->setFont(font);
            }
        }
    }
    if (fitColumns)
        table->resizeColumnsToContents();
}

QString CTelegramStatisticsDlg::CsvText() const
{
    QStringList lines;
    QStringList cells;
    for (const CColumn& column : kColumns)
        cells << CsvCell(QString::fromLatin1(column.title));
    lines << cells.join(',');
    for (int r = 0; r < table->rowCount(); ++r) {
        cells.clear();
        for (int c = 0; c < kColumnCount; ++c)
            cells << CsvCell(table->item(r, c) ? table->item(r, c)->text() : QString());
        lines << cells.join(',');
    }
    return lines.join('\n') + '\n';
}

void CTelegramStatisticsDlg::OnReset()
{
    statistics->Reset();
    Refresh();
}

void CTelegramStatisticsDlg::OnCopy()
{
    Refresh();
    QApplication::clipboard()->setText(CsvText());
}

void CTelegramStatisticsDlg::OnSaveAs()
{
    const QString path = ChooseSavePath({QStringLiteral("Save As"), QStringLiteral("CSV Files (*.csv)"),
                                         QStringLiteral("csv"), QStringLiteral("vantrel-statistics")});
    if (path.isEmpty())
        return;
    Refresh();
    // The file is replaced only once the whole table is written.
    QSaveFile file(path);
    const QByteArray text = CsvText().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit()) {
        ShowUserMessage(this, QStringLiteral("The statistics could not be saved as %1: %2").arg(path, file.errorString()),
                        QMessageBox::Warning, QStringLiteral("statisticsMessage"));
    }
}
