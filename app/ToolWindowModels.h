#pragma once
// What the tool windows draw: the line's models of the whole run, fed with
// every telegram handed over whether a window is open or not, and the bytes
// received while the hex window is open. The document feeds them on the
// user-interface thread.
#include <memory>

#include "app/widgets/HexByteStore.h"
#include "models/LineModels.h"

class CToolWindowModels {
public:
    // Feeds every model; one that cannot take it (no memory left) leaves
    // the others fed.
    void Add(const CDecodedTelegram& telegram);
    void OnLineEvent(const CLineEvent& event) { line->OnLineEvent(event); }

    const std::shared_ptr<CLineModels>& Line() const { return line; }
    // A fresh store of received bytes, filled from now on for as long as
    // the window that draws it keeps it.
    std::shared_ptr<CHexByteStore> StartHexBytes();

private:
    std::shared_ptr<CLineModels> line = std::make_shared<CLineModels>();
    std::weak_ptr<CHexByteStore> hexBytes;
};
