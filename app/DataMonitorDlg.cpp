#include "app/DataMonitorDlg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ControlId.h"
#include "app/DialogUnits.h"
#include "app/widgets/HexEdit.h"

namespace {

constexpr int kHexEditId = 1022;
constexpr int kOkId = 1;
// What came is shown this often, however fast telegrams come.
constexpr int kRefreshMilliseconds = 100;
// Ten bytes on a line fit the window's width without scrolling across.
constexpr int kBytesPerLine = 10;

} // namespace

CDataMonitorDlg::CDataMonitorDlg(std::shared_ptr<CHexByteStore> bytes, QWidget* parent)
    : CToolWindow(QStringLiteral("Data monitor window"), QStringLiteral("dataMonitor"), kRefreshMilliseconds, parent)
{
    setProperty(kControlIdProperty, 135);

    hexEdit = WithControlId(new CHexEdit(this), kHexEditId);
    hexEdit->SetStore(std::move(bytes));
    hexEdit->setMinimumSize(CDialogUnits::X(235), CDialogUnits::Y(150));
    auto* okButton = WithControlId(new QPushButton(QStringLiteral("OK"), this), kOkId);
    okButton->setMinimumWidth(CDialogUnits::X(50));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(CDialogUnits::X(5), CDialogUnits::Y(5), CDialogUnits::X(5), CDialogUnits::Y(5));
    layout->addWidget(hexEdit, 1);
    layout->addLayout(buttons);
    resize(CDialogUnits::X(250), CDialogUnits::Y(181));

    hexEdit->SetProperty(CHexEdit::kBytesPerLineProperty, kBytesPerLine);
    // Every opening starts with a single zero byte, so the user sees at once
    // that the window is alive.
    AppendBytes(std::string(1, '\0'));
    StartRefreshing();
}

void CDataMonitorDlg::AppendBytes(const std::string& block)
{
    hexEdit->AppendBytes(block);
}

void CDataMonitorDlg::Refresh()
{
    hexEdit->Sync();
}
