#include "app/CommSettingsDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

#include "acquisition/PortMap.h"
#include "acquisition/SerialPort.h"
#include "acquisition/SerialPortAccess.h"
#include "app/ControlId.h"
#include "app/UserMessage.h"
#include "decoders/FormatTable.h"

namespace {
constexpr int kFrame7O2 = 0;
constexpr int kFrame8N1 = 1;
constexpr int kBaudRates[] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};

// The number of a "COMn" name, 0 for any other name.
int PortNumberOf(const QString& name)
{
    if (!name.startsWith("COM"))
        return 0;
    bool isNumber = false;
    const int number = name.mid(3).toInt(&isNumber);
    return isNumber && number > 0 ? number : 0;
}

QComboBox* MakeList(QWidget* parent, int id)
{
    auto* list = WithControlId(new QComboBox(parent), id);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    list->setMinimumWidth(120);
    return list;
}
} // namespace

CCommSettingsDlg::CCommSettingsDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Vantrel Settings");

    telegramTypeList = MakeList(this, kTelegramTypeList);
    receiveTimeoutEdit = WithControlId(new QLineEdit(this), kReceiveTimeoutEdit);
    receiveTimeoutEdit->setMaximumWidth(60);
    auto* portGroup = new QGroupBox("Comms port settings", this);
    portList = MakeList(portGroup, kPortList);
    devicePathLabel = new QLabel(portGroup);
    devicePathLabel->setObjectName("devicePath");
    stableNameLabel = new QLabel(portGroup);
    stableNameLabel->setObjectName("stableName");
    stableNameLabel->setTextFormat(Qt::PlainText);
    stableNameLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    deniedPortsLabel = new QLabel(portGroup);
    deniedPortsLabel->setObjectName("deniedPorts");
    deniedPortsLabel->setWordWrap(true);
    deniedPortsLabel->setTextFormat(Qt::PlainText);
    deniedPortsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    deniedPortsLabel->hide();
    baudRateList = MakeList(portGroup, kBaudRateList);
    frameList = MakeList(portGroup, kFrameList);
    framingList = MakeList(portGroup, kFramingList);
    auto* okButton = WithControlId(new QPushButton("OK", this), kOk);
    auto* cancelButton = WithControlId(new QPushButton("Cancel", this), kCancel);
    okButton->setDefault(true);

    auto* top = new QGridLayout;
    top->addWidget(new QLabel("Telegram to receive", this), 0, 0);
    top->addWidget(telegramTypeList, 0, 1, 1, 2);
    top->addWidget(new QLabel("Receive timeout", this), 1, 0);
    top->addWidget(receiveTimeoutEdit, 1, 1);
    top->addWidget(new QLabel("seconds", this), 1, 2);
    top->setColumnStretch(3, 1);

    auto* portGrid = new QGridLayout(portGroup);
    portGrid->addWidget(new QLabel("Comms port", portGroup), 0, 0);
    portGrid->addWidget(portList, 0, 1);
    portGrid->addWidget(devicePathLabel, 0, 2);
    portGrid->addWidget(new QLabel("Baud rate", portGroup), 1, 0);
    portGrid->addWidget(baudRateList, 1, 1);
    portGrid->addWidget(stableNameLabel, 1, 2);
    portGrid->addWidget(new QLabel("Parity, Data, Stop bits", portGroup), 2, 0);
    portGrid->addWidget(frameList, 2, 1);
    portGrid->addWidget(new QLabel("Framing", portGroup), 3, 0);
    portGrid->addWidget(framingList, 3, 1);
    portGrid->addWidget(deniedPortsLabel, 4, 0, 1, 3);
    portGrid->setColumnStretch(2, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(portGroup);
    layout->addLayout(buttons);

    setTabOrder(telegramTypeList, receiveTimeoutEdit);
    setTabOrder(receiveTimeoutEdit, portList);
    setTabOrder(portList, baudRateList);
    setTabOrder(baudRateList, frameList);
    setTabOrder(frameList, framingList);
    setTabOrder(framingList, okButton);
    setTabOrder(okButton, cancelButton);

    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(telegramTypeList, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            telegramType = telegramTypeList->itemData(index).toInt();
    });
    connect(portList, &QComboBox::currentIndexChanged, this, &CCommSettingsDlg::ShowDevicePath);
}

void CCommSettingsDlg::showEvent(QShowEvent* event)
{
    // The caller sets the fields after construction, so the lists are
    // filled from them when the dialog first appears.
    if (!listsFilled)
        FillLists();
    QDialog::showEvent(event);
}

void CCommSettingsDlg::FillLists()
{
    listsFilled = true;
    receiveTimeoutEdit->setText(QString::number(receiveTimeout));
    FillPortList();
    FillFrameList();
    FillBaudRateList();
    FillTelegramTypeList();
    FillFramingList();
}

void CCommSettingsDlg::FillPortList()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    portList->clear();
    const QString current = QString::fromStdString(portName);
    std::vector<int> deniedPorts;
    for (int number = 1; number <= kHighestPortNumber; ++number) {
        const QString name = QString("COM%1").arg(number);
        // The port in use is always offered: the reader may hold it open
        // right now, or it may be unplugged and about to return. A network
        // line is offered as long as the map has it: binding a UDP port to
        // try it would take it from the reader.
        const std::string entry = CPortMap::DevicePath(number);
        if (name == current || CLineAddress::Parse(entry).IsNetwork() || CSerialPort::Probe(entry))
            portList->addItem(name, number);
        if (CSerialPortAccess::IsDenied(entry))
            deniedPorts.push_back(number);
    }
    ShowDeniedPorts(deniedPorts);
    // The current port outside COM1..COM49 (the demo line's, or a name the
    // user stored by hand) is offered as well, so OK does not lose it.
    if (!current.isEmpty() && portList->findText(current) < 0)
        portList->addItem(current, PortNumberOf(current));
    const int currentIndex = portList->findText(current);
    portList->setCurrentIndex(currentIndex >= 0 ? currentIndex : (portList->count() > 0 ? 0 : -1));
    ShowDevicePath();
    QApplication::restoreOverrideCursor();
}

std::string CCommSettingsDlg::SelectedPortEntry() const
{
    const int number = portList->currentData().toInt();
    return number > 0 ? CPortMap::DevicePath(number) : std::string();
}

void CCommSettingsDlg::ShowDevicePath()
{
    const std::string entry = SelectedPortEntry();
    devicePathLabel->setText(entry.empty() ? QString("(no device)") : QString::fromStdString(entry));
    networkLineSelected = CLineAddress::Parse(entry).IsNetwork();
    std::string otherName;
    if (!networkLineSelected && !entry.empty()) {
        otherName = CPortMap::StableName(entry);
        std::error_code error;
        if (otherName.empty() && std::filesystem::is_symlink(entry, error))
            otherName = std::filesystem::canonical(entry, error).string();
    }
    stableNameLabel->setText(QString::fromStdString(otherName));
    baudRateList->setEnabled(!networkLineSelected);
    frameList->setEnabled(!networkLineSelected);
}

void CCommSettingsDlg::ShowDeniedPorts(const std::vector<int>& deniedPorts)
{
    // Serial ports of one group share their reason: it is told once.
    QStringList reasons;
    QStringList lines;
    QList<int> alike;
    for (const int number : deniedPorts) {
        const std::string path = CPortMap::DevicePath(number);
        const QString why = QString::fromStdString(CSerialPortAccess::Why(path));
        const qsizetype known = reasons.indexOf(why);
        if (known >= 0) {
            ++alike[known];
            continue;
        }
        reasons << why;
        alike << 0;
        lines << QString("COM%1: %2").arg(number).arg(QString::fromStdString(CSerialPortAccess::PermissionRefusal(path)));
    }
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (alike[i] > 0)
            lines[i] += QString(" (%1 more %2 likewise)").arg(alike[i]).arg(alike[i] == 1 ? "port" : "ports");
    }
    deniedPortsLabel->setText(lines.join('\n'));
    deniedPortsLabel->setVisible(!lines.isEmpty());
}

void CCommSettingsDlg::FillFrameList()
{
    frameList->clear();
    frameList->addItem("O-7-2", kFrame7O2);
    frameList->addItem("N-8-1", kFrame8N1);
    const bool eightNoneOne = configString.find("8,N,1") != std::string::npos;
    frameList->setCurrentIndex(eightNoneOne ? 1 : 0);
}

void CCommSettingsDlg::FillBaudRateList()
{
    baudRateList->clear();
    for (const int rate : kBaudRates)
        baudRateList->addItem(QString::number(rate), rate);
    baudRateList->setCurrentIndex(baudRateList->findData(4800));
    // The last rate named anywhere in the configuration wins.
    for (int i = 0; i < baudRateList->count(); ++i) {
        if (configString.find(baudRateList->itemText(i).toStdString()) != std::string::npos)
            baudRateList->setCurrentIndex(i);
    }
}

void CCommSettingsDlg::FillTelegramTypeList()
{
    const int storedType = telegramType;
    telegramTypeList->blockSignals(true);
    telegramTypeList->clear();
    for (const CFormatEntry& format : CFormatTable::Formats())
        if (format.listedInSettings)
            telegramTypeList->addItem(format.name, format.code);
    // A type that is not offered (5, or out of range) selects nothing.
    telegramTypeList->setCurrentIndex(telegramTypeList->findData(storedType));
    telegramTypeList->blockSignals(false);
    telegramType = storedType;
}

void CCommSettingsDlg::FillFramingList()
{
    framingList->clear();
    framingList->addItem("By silence", static_cast<int>(CFraming::BySilence));
    framingList->addItem("By content", static_cast<int>(CFraming::ByContent));
    framingList->setCurrentIndex(framingList->findData(static_cast<int>(framing)));
}

bool CCommSettingsDlg::TakeReceiveTimeout()
{
    bool isNumber = false;
    const int value = receiveTimeoutEdit->text().trimmed().toInt(&isNumber);
    if (isNumber && value >= kMinimumTimeout && value <= kMaximumTimeout) {
        receiveTimeout = value;
        return true;
    }
    QMessageBox* message = ShowUserMessage(
        this, QString("Please enter an integer between %1 and %2.").arg(kMinimumTimeout).arg(kMaximumTimeout),
        QMessageBox::Warning, "rangeMessage");
    connect(message, &QMessageBox::finished, this, [this] {
        receiveTimeoutEdit->selectAll();
        receiveTimeoutEdit->setFocus();
    });
    return false;
}

void CCommSettingsDlg::accept()
{
    if (!listsFilled)
        FillLists();
    if (!TakeReceiveTimeout())
        return;
    const int baudRate = baudRateList->currentData().toInt();
    if (!networkLineSelected && baudRateList->currentIndex() >= 0 && frameList->currentIndex() >= 0 &&
        baudRate > 0) {
        const char* frame = frameList->currentData().toInt() == kFrame8N1 ? "8,N,1" : "7,O,2";
        configString = QString("Config(%1,%2)").arg(baudRate).arg(frame).toStdString();
    }
    if (framingList->currentIndex() >= 0)
        framing = static_cast<CFraming>(framingList->currentData().toInt());
    if (portList->currentIndex() >= 0) {
        const int number = portList->currentData().toInt();
        portName = number > 0 ? QString("COM%1").arg(number).toStdString()
                              : portList->currentText().toStdString();
    }
    QDialog::accept();
}
