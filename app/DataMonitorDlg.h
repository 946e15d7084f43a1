#pragma once
// The hex monitor: the raw bytes received on the line, block after block,
// in a hex view, so the user can look at data that did not decode.
#include <QDialog>

#include <string>

class CHexEdit;

class CDataMonitorDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDataMonitorDlg(QWidget* parent = nullptr);
    ~CDataMonitorDlg() override;

    // Adds one received block (UI thread); an empty block adds nothing and
    // zero bytes are kept.
    void AppendBytes(const std::string& block);

    CHexEdit* HexView() const { return hexEdit; }

signals:
    // Emitted once, when the window is finally destroyed.
    void closed();

private:
    CHexEdit* hexEdit = nullptr;
};
