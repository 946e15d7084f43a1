#include "tools/JsonLinePrinter.h"

#include <nlohmann/json.hpp>

#include "decoders/ByteView.h"
#include "tools/TelegramText.h"

namespace {

// Keys in the order a reader expects them, not sorted.
using Json = nlohmann::ordered_json;

Json TextOrNull(const std::string& text)
{
    return text.empty() ? Json() : Json(text);
}

Json Check(const std::optional<bool>& agrees)
{
    return agrees ? Json(*agrees) : Json();
}

Json IndexOf(const CTelegramIndex& index)
{
    if (!index.valid)
        return Json();
    return Json{{"kind", index.kind}, {"text", Latin1ToUtf8(index.text)}};
}

Json FieldsOf(const CTelegramRecord& record)
{
    Json fields = Json::array();
    for (const CTelegramField& field : record.fields) {
        fields.push_back(Json{{"label", Latin1ToUtf8(field.label)},
                              {"raw", Latin1ToUtf8(field.raw)},
                              {"text", Latin1ToUtf8(field.text)}});
    }
    return fields;
}

Json PositionOf(const CTelegramRecord& record)
{
    if (!record.position)
        return Json();
    const CTelegramPosition& position = *record.position;
    return Json{{"frame", FrameName(position.frame)},
                {"x", position.x},
                {"y", position.y},
                {"z", position.z},
                {"valid", position.valid}};
}

} // namespace

CJsonLinePrinter::CJsonLinePrinter(const char* name)
    : hasFormat(name != nullptr), formatName(name ? name : "")
{
}

std::string CJsonLinePrinter::Text(const CDecodedTelegram& telegram) const
{
    const std::string& raw = telegram.raw;
    const CTelegramRecord& record = telegram.record;
    const char* const status = StatusText(telegram.Status());
    Json line;
    line["time"] = TextOrNull(telegram.IsoTimeText());
    line["format"] = hasFormat ? Json(formatName) : Json();
    line["telegram"] = record.typeText.empty() ? status : Latin1ToUtf8(record.typeText);
    line["number"] = record.number;
    line["bytes"] = raw.size();
    line["status"] = status;
    line["verdict"] = record.Verdict().Word();
    line["index"] = IndexOf(telegram.index);
    line["fields"] = FieldsOf(record);
    line["position"] = PositionOf(record);
    line["checks"] = Json{{"checksum", Check(record.checksumAgrees)}, {"length", Check(record.lengthAgrees)}};
    line["raw"] = CByteView(raw).Hex(0, raw.size());
    constexpr bool kAsciiOnly = true;
    return line.dump(-1, ' ', kAsciiOnly) + '\n';
}
