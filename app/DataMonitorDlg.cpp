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
// Ten bytes on a line fit the window's width without scrolling across.
constexpr int kBytesPerLine = 10;

} // namespace

CDataMonitorDlg::CDataMonitorDlg(QWidget* parent)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Data monitor window"));
    setProperty(kControlIdProperty, 135);

    hexEdit = WithControlId(new CHexEdit(this), kHexEditId);
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
}

CDataMonitorDlg::~CDataMonitorDlg()
{
    emit closed();
}

void CDataMonitorDlg::AppendBytes(const std::string& block)
{
    hexEdit->AppendBytes(block);
}
