#pragma once
// The hex monitor: the raw bytes received on the line, block after block,
// in a hex view, so the user can look at data that did not decode. It
// draws the byte store it is given, which the document fills while the
// window is open.
#include <memory>
#include <string>

#include "app/ToolWindow.h"
#include "app/widgets/HexByteStore.h"

class CHexEdit;

class CDataMonitorDlg : public CToolWindow {
    Q_OBJECT
public:
    explicit CDataMonitorDlg(std::shared_ptr<CHexByteStore> bytes = std::make_shared<CHexByteStore>(),
                             QWidget* parent = nullptr);

    // Adds one received block to the store and shows it; an empty block
    // adds nothing and zero bytes are kept.
    void AppendBytes(const std::string& block);
    // Shows the bytes appended to the store since the last refresh.
    void Refresh() override;

    CHexEdit* HexView() const { return hexEdit; }

private:
    CHexEdit* hexEdit = nullptr;
};
