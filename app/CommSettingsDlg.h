#pragma once
#include <QDialog>
#include <string>
#include <vector>

#include "acquisition/CommSettings.h"

class QComboBox;
class QLabel;
class QLineEdit;

// Lets the user choose the telegram type, the receive timeout, the serial
// port and its baud rate and frame, and how reads are cut from the line
// (by silence or by content, for network lines too). A port that the port map gives a
// network line shows its URL and has no frame: OK hands the stored frame
// back unchanged for it. The dialog never touches the line or the stored
// settings: the caller fills the fields, shows the dialog and, after OK,
// applies what it hands back.
class CCommSettingsDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlId {
        kOk = 1,
        kCancel = 2,
        kTelegramTypeList = 1006,
        kPortList = 1007,
        kBaudRateList = 1008,
        kFrameList = 1010,
        kFramingList = 1011,
        kReceiveTimeoutEdit = 1021
    };
    static constexpr int kHighestPortNumber = 49;
    static constexpr int kMinimumTimeout = 1;
    static constexpr int kMaximumTimeout = 20;

    explicit CCommSettingsDlg(QWidget* parent = nullptr);

    // Set by the caller before the dialog is shown; rebuilt on OK.
    std::string configString;
    std::string portName;
    int telegramType = 0;
    int receiveTimeout = 0;
    CFraming framing = CFraming::BySilence;

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillLists();
    void FillPortList();
    void FillFrameList();
    void FillBaudRateList();
    void FillTelegramTypeList();
    void FillFramingList();
    // Shows the device path or URL of the selected port, beside it the
    // adapter's stable name where the system gives one (or, for a port
    // mapped to such a name, the device it leads to), and offers the frame
    // only for a serial port.
    void ShowDevicePath();
    // Tells, below the ports, which ports are not open to the user, why and
    // what to do: one line for each reason, naming the first such port.
    void ShowDeniedPorts(const std::vector<int>& deniedPorts);
    std::string SelectedPortEntry() const;
    bool TakeReceiveTimeout();

    QComboBox* telegramTypeList;
    QLineEdit* receiveTimeoutEdit;
    QComboBox* portList;
    QLabel* devicePathLabel;
    QLabel* stableNameLabel;
    QLabel* deniedPortsLabel;
    QComboBox* baudRateList;
    QComboBox* frameList;
    QComboBox* framingList;
    bool listsFilled = false;
    bool networkLineSelected = false;
};
