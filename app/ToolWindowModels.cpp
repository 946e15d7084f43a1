#include "app/ToolWindowModels.h"

#include <exception>

void CToolWindowModels::Add(const CDecodedTelegram& telegram)
{
    try {
        line->Add(telegram);
    } catch (const std::exception&) {
    }
    if (const std::shared_ptr<CHexByteStore> bytes = hexBytes.lock()) {
        try {
            bytes->Append(reinterpret_cast<const std::uint8_t*>(telegram.raw.data()), telegram.raw.size());
        } catch (const std::exception&) {
        }
    }
}

std::shared_ptr<CHexByteStore> CToolWindowModels::StartHexBytes()
{
    auto bytes = std::make_shared<CHexByteStore>();
    hexBytes = bytes;
    return bytes;
}
