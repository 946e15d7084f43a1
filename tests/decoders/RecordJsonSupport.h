#pragma once
// A telegram's record as JSON, in the shape of the command-line tool's JSON
// line without its time and raw bytes, laid out to be read and compared:
// one key a line, one field line a line.
#include <nlohmann/json.hpp>

#include <string>

#include "decoders/TelegramIndex.h"
#include "decoders/TelegramRecord.h"
#include "report/ReceivedText.h"

inline std::string RecordJson(const char* formatName, const CTelegramRecord& record, const CTelegramIndex& index)
{
    using Json = nlohmann::ordered_json;
    const auto check = [](const std::optional<bool>& agrees) { return agrees ? Json(*agrees) : Json(); };
    const char* const status = StatusText(record.status);

    Json line;
    line["format"] = formatName;
    line["telegram"] = record.typeText.empty() ? status : Latin1ToUtf8(record.typeText);
    line["number"] = record.number;
    line["bytes"] = record.bytes;
    line["status"] = status;
    line["verdict"] = record.Verdict().Word();
    line["index"] = index.valid ? Json{{"kind", index.kind}, {"text", Latin1ToUtf8(index.text)},
                                       {"filtered", index.filterable}}
                                : Json();
    line["fields"] = Json::array();
    for (const auto& field : record.fields)
        line["fields"].push_back(Json{{"label", Latin1ToUtf8(field.label)},
                                      {"raw", Latin1ToUtf8(field.raw)},
                                      {"text", Latin1ToUtf8(field.text)}});
    line["position"] = Json();
    if (record.position) {
        const CTelegramPosition& position = *record.position;
        line["position"] = Json{{"frame", FrameName(position.frame)}, {"x", position.x}, {"y", position.y},
                                {"z", position.z}, {"valid", position.valid}};
    }
    line["checks"] = Json{{"checksum", check(record.checksumAgrees)}, {"length", check(record.lengthAgrees)}};

    constexpr bool kAsciiOnly = true;
    const auto dump = [](const Json& value) { return value.dump(-1, ' ', kAsciiOnly); };
    std::string text = "{\n";
    for (auto item = line.begin(); item != line.end(); ++item) {
        text += "  " + dump(item.key()) + ": ";
        if (item.key() == "fields" && !item->empty()) {
            text += "[\n";
            for (std::size_t i = 0; i < item->size(); ++i)
                text += "    " + dump((*item)[i]) + (i + 1 < item->size() ? ",\n" : "\n");
            text += "  ]";
        } else {
            text += dump(*item);
        }
        text += std::next(item) == line.end() ? "\n" : ",\n";
    }
    return text + "}\n";
}
