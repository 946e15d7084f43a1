#include "app/TimingDiagnosticsDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <utility>

#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/UserMessage.h"
#include "app/widgets/LedBar.h"

namespace {

enum ControlId {
    kStaticId = -1,
    kCloseId = 1,
    kFirstBarId = 1026,
    kTimeoutEditId = 1036,
    kFirstIndexBoxId = 1037,
    kFirstAgeBoxId = 1047,
    kResetId = 1059,
    kApplyId = 1060,
    kWaitingId = 1061,
};

QLineEdit* ReadOnlyBox(QWidget* parent, int id)
{
    auto* box = WithControlId(new QLineEdit(parent), id);
    box->setReadOnly(true);
    box->setFixedWidth(CDialogUnits::X(30));
    box->setFocusPolicy(Qt::NoFocus);
    return box;
}

// The timeout is typed as a plain C number ("7.5"), whatever the desktop's
// locale says about decimal commas, and read as scanf reads "%lf": leading
// blanks and trailing text are ignored, and text that does not start with a
// complete number ("seven", "0x") is rejected. So is a number that is no
// time to wait for: zero, negative, not a number or infinite (a timeout of
// 0 would show every index as silent, "nan" none of them ever).
bool ParseTimeout(const QString& text, double& value)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
    const QByteArray bytes = text.toUtf8();
    double parsed = 0.0;
    const locale_t previous = uselocale(cLocale);
    const bool read = std::sscanf(bytes.constData(), "%lf", &parsed) == 1;
    uselocale(previous);
    if (!read || !std::isfinite(parsed) || parsed <= 0.0)
        return false;
    value = parsed;
    return true;
}

// Ages and the timeout show one decimal, rounded as printf rounds, with a
// decimal point whatever the desktop's locale.
QString OneDecimal(double value)
{
    char text[400];  // room for the largest double written out in full
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 1);
    if (result.ec != std::errc())
        return QString();
    return QString::fromLatin1(text, result.ptr - text);
}

} // namespace

CTimingDiagnosticsDlg::CTimingDiagnosticsDlg(std::shared_ptr<CTimingAges> timingAges, QWidget* parent)
    : CToolWindow(QStringLiteral("Timing diagnostics"), QStringLiteral("timingDiagnostics"), kTickMilliseconds, parent)
    , ages(std::move(timingAges))
{
    setProperty(kControlIdProperty, 142);
    BuildControls();

    connect(timeoutEdit, &QLineEdit::textChanged, this, &CTimingDiagnosticsDlg::OnTimeoutTextChanged);
    connect(resetButton, &QPushButton::clicked, this, &CTimingDiagnosticsDlg::OnReset);
    connect(applyButton, &QPushButton::clicked, this, &CTimingDiagnosticsDlg::OnApply);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);

    ShowTimeout();
    SetScale();
    LayOutRows();
    StartRefreshing();
}

void CTimingDiagnosticsDlg::BuildControls()
{
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(CDialogUnits::X(9));
    grid->setVerticalSpacing(0);
    grid->addWidget(WithControlId(new QLabel(QStringLiteral("Index "), this), kStaticId), 0, 0);
    grid->addWidget(WithControlId(new QLabel(QStringLiteral("Age"), this), kStaticId), 0, 2, Qt::AlignHCenter);
    for (int row = 0; row < kDisplayedRows; ++row) {
        CRowControls& controls = rows[row];
        controls.indexBox = ReadOnlyBox(this, kFirstIndexBoxId + row);
        controls.bar = WithControlId(new CiLedBarX(this), kFirstBarId + row);
        controls.bar->setFixedHeight(CDialogUnits::Y(10));
        controls.ageBox = ReadOnlyBox(this, kFirstAgeBoxId + row);
        controls.ageBox->setAlignment(Qt::AlignRight);
        grid->addWidget(controls.indexBox, row + 1, 0);
        grid->addWidget(controls.bar, row + 1, 1);
        grid->addWidget(controls.ageBox, row + 1, 2);
        // A hidden row keeps its place, so the rows never move.
        grid->setRowMinimumHeight(row + 1, CDialogUnits::Y(20));
    }
    defaultAgePalette = rows[0].ageBox->palette();

    waitingLabel = WithControlId(new QLabel(QStringLiteral("Waiting for telegrams"), this), kWaitingId);
    waitingLabel->setAlignment(Qt::AlignCenter);
    grid->addWidget(waitingLabel, 1, 0, 2, 3);

    timeoutEdit = WithControlId(new QLineEdit(this), kTimeoutEditId);
    timeoutEdit->setFixedWidth(CDialogUnits::X(30));
    auto* timeoutLabel = WithControlId(new QLabel(QStringLiteral("Position timeout (s)"), this), kStaticId);
    timeoutLabel->setBuddy(timeoutEdit);
    grid->addWidget(timeoutLabel, kDisplayedRows + 1, 1, Qt::AlignRight);
    grid->addWidget(timeoutEdit, kDisplayedRows + 1, 2);

    resetButton = WithControlId(new QPushButton(QStringLiteral("Reset"), this), kResetId);
    applyButton = WithControlId(new QPushButton(QStringLiteral("Apply"), this), kApplyId);
    applyButton->setEnabled(false);
    closeButton = WithControlId(new QPushButton(QStringLiteral("Close"), this), kCloseId);
    closeButton->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {resetButton, applyButton, closeButton}) {
        button->setMinimumWidth(CDialogUnits::X(50));
        buttons->addWidget(button);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(CDialogUnits::Y(6));
    layout->addLayout(buttons);
    resize(CDialogUnits::X(232), CDialogUnits::Y(266));
}

void CTimingDiagnosticsDlg::Refresh()
{
    const std::vector<CTimingRow>& entries = ages->Rows();
    if (entries.size() != laidOutRows)
        LayOutRows();
    // Indexes beyond the tenth are tracked but have no row.
    const std::size_t shown = std::min(entries.size(), static_cast<std::size_t>(kDisplayedRows));
    for (std::size_t i = 0; i < shown; ++i) {
        const CTimingRow& entry = entries[i];
        const double now = Now();
        UpdateRow(static_cast<int>(i), QString::fromStdString(entry.text), ages->AgeSeconds(entry, now));
        staleFlags[i] = ages->IsStale(entry, now);
    }
    PaintStaleRows();
}

bool CTimingDiagnosticsDlg::IsRowStale(int row) const
{
    return row >= 0 && row < kDisplayedRows && staleFlags[row];
}

void CTimingDiagnosticsDlg::SetScale()
{
    const double positionTimeout = ages->PositionTimeout();
    for (const CRowControls& controls : rows) {
        controls.bar->SetProperty(CiLedBarX::kMinimum, 0.0);
        controls.bar->SetProperty(CiLedBarX::kMaximum, positionTimeout);
        controls.bar->SetProperty(CiLedBarX::kSectionEnd1, positionTimeout * 0.5);
        controls.bar->SetProperty(CiLedBarX::kSectionEnd2, positionTimeout * 0.75);
    }
}

void CTimingDiagnosticsDlg::LayOutRows()
{
    const std::size_t count = ages->Rows().size();
    laidOutRows = count;
    waitingLabel->setVisible(count == 0);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const bool shown = count > row;
        rows[row].indexBox->setVisible(shown);
        rows[row].bar->setVisible(shown);
        rows[row].ageBox->setVisible(shown);
    }
}

void CTimingDiagnosticsDlg::UpdateRow(int row, const QString& indexText, double ageSeconds)
{
    if (row < 0 || row >= kDisplayedRows)
        return;
    rows[row].indexBox->setText(indexText);
    rows[row].ageBox->setText(OneDecimal(ageSeconds));
    rows[row].bar->SetProperty(CiLedBarX::kPosition, ageSeconds);
}

void CTimingDiagnosticsDlg::PaintStaleRows()
{
    for (int row = 0; row < kDisplayedRows; ++row) {
        QLineEdit* ageBox = rows[row].ageBox;
        const bool painted = ageBox->palette().color(QPalette::Base) == StaleColour();
        if (painted == staleFlags[row])
            continue;
        QPalette palette = defaultAgePalette;
        if (staleFlags[row])
            palette.setColor(QPalette::Base, StaleColour());
        ageBox->setPalette(palette);
    }
}

void CTimingDiagnosticsDlg::ShowTimeout()
{
    const QString text = OneDecimal(ages->PositionTimeout());
    if (timeoutEdit->text() != text)
        timeoutEdit->setText(text);
}

void CTimingDiagnosticsDlg::OnTimeoutTextChanged()
{
    applyButton->setEnabled(true);
}

void CTimingDiagnosticsDlg::OnApply()
{
    double seconds = 0.0;
    const bool taken = ParseTimeout(timeoutEdit->text(), seconds);
    if (taken)
        ages->SetPositionTimeout(seconds, Now());
    applyButton->setEnabled(false);
    ShowTimeout();
    SetScale();
    if (!taken)
        ShowUserMessage(this, QStringLiteral("The position timeout must be a number of seconds greater than 0."),
                        QMessageBox::Warning, QStringLiteral("timeoutMessage"));
}

void CTimingDiagnosticsDlg::OnReset()
{
    ages->Reset();
    staleFlags.fill(false);
    LayOutRows();
    for (int row = 0; row < kDisplayedRows; ++row)
        UpdateRow(row, QString(), 0.0);
    PaintStaleRows();
    SetScale();
}

