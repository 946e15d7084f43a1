#include "replay/JsonCaptureSource.h"

#include <nlohmann/json.hpp>

#include "decoders/FormatTable.h"

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> BytesOfHex(const std::string& hex)
{
    if (hex.size() % 2 != 0)
        return std::nullopt;
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return bytes;
}

std::optional<int> TypeCodeNamed(const std::string& name)
{
    for (const CFormatEntry& entry : CFormatTable::Formats()) {
        if (name == entry.name)
            return entry.code;
    }
    return std::nullopt;
}

// The format a capture line names, without parsing the rest of it.
std::optional<std::string> FormatOfLine(const std::string& line)
{
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (object.is_object() && object.contains("format") && object["format"].is_string())
        return object["format"].get<std::string>();
    return std::nullopt;
}

} // namespace

CJsonCaptureSource::CJsonCaptureSource(std::string filePath, std::optional<int> code)
    : path(std::move(filePath)), typeCode(code)
{
    lines.Open(path);
    totalBytes = FileSize(path);
}

std::optional<int> CJsonCaptureSource::NamedTypeCode() const
{
    CLineFile first;
    if (!first.Open(path))
        return std::nullopt;
    std::string line;
    bool ended = false;
    for (int tried = 0; tried < 100 && first.Next(line, ended); ++tried) {
        if (const std::optional<std::string> name = FormatOfLine(line))
            return TypeCodeNamed(*name);
    }
    return std::nullopt;
}

std::optional<CRecordedRead> CJsonCaptureSource::Next(const CReplaySession::MessageSink& messages)
{
    std::string line;
    bool ended = false;
    while (lines.Next(line, ended)) {
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        if (std::optional<CRecordedRead> read = ReadLine(line, ended, messages))
            return read;
    }
    return std::nullopt;
}

std::optional<CRecordedRead> CJsonCaptureSource::ReadLine(const std::string& line, bool ended,
                                                          const CReplaySession::MessageSink& messages)
{
    const std::uint64_t number = lines.LineNumber();
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    if (!object.is_object()) {
        messages({path, number, ended ? "not a JSON object: left out" : "the last line is cut off: left out"});
        return std::nullopt;
    }
    const auto text = [&object](const char* key) -> std::optional<std::string> {
        const auto found = object.find(key);
        if (found == object.end() || !found->is_string())
            return std::nullopt;
        return found->get<std::string>();
    };
    const std::optional<std::string> format = text("format");
    if (typeCode && format && TypeCodeNamed(*format) != typeCode) {
        if (!otherFormatTold) {
            otherFormatTold = true;
            messages({path, number,
                      "a telegram of " + *format + ", not " + CFormatTable::TypeName(*typeCode) +
                          ": left out, as every other one of another format in this file"});
        }
        return std::nullopt;
    }
    const std::optional<std::string> timeText = text("time");
    const std::optional<CWallTime> time = timeText ? CWallTime::FromIsoText(*timeText) : std::nullopt;
    if (!time) {
        messages({path, number, "no time with its offset (\"time\"): left out"});
        return std::nullopt;
    }
    const std::optional<std::string> hex = text("raw");
    const std::optional<std::string> raw = hex ? BytesOfHex(*hex) : std::nullopt;
    if (!raw) {
        messages({path, number, "no bytes in hex (\"raw\"): left out"});
        return std::nullopt;
    }
    CRecordedRead read;
    read.raw = *raw;
    read.time = *time;
    const auto numberField = object.find("number");
    if (numberField != object.end() && numberField->is_number_integer())
        read.number = numberField->get<int>();
    read.file = path;
    read.line = number;
    return read;
}

void CJsonCaptureSource::FillMark(CReplaySession::CMark& mark) const
{
    mark.offset = lines.Offset();
    mark.line = lines.LineNumber();
}

void CJsonCaptureSource::Restore(const CReplaySession::CMark& mark)
{
    lines.SeekTo(mark.offset, mark.line);
}
