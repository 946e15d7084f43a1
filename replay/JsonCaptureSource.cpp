#include "replay/JsonCaptureSource.h"

#include <cstdint>
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

// What the replay takes of one capture line: the texts and the number of
// its top-level keys, read as the line is parsed, without building the
// rest of it (its report's fields).
class CCaptureLine : public nlohmann::json_sax<nlohmann::json> {
public:
    std::optional<std::string> time;
    std::optional<std::string> format;
    std::optional<std::string> raw;
    std::optional<std::int64_t> number;
    bool object = false;

    bool Parse(const std::string& line) { return nlohmann::json::sax_parse(line, this) && object; }

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t value) override { return Number(value); }
    bool number_unsigned(number_unsigned_t value) override
    {
        return Number(value <= static_cast<number_unsigned_t>(INT64_MAX) ? static_cast<std::int64_t>(value) : -1);
    }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t& value) override
    {
        if (depth == 1) {
            std::optional<std::string>* target = currentKey == "time"     ? &time
                                                 : currentKey == "format" ? &format
                                                 : currentKey == "raw"    ? &raw
                                                                          : nullptr;
            if (target)
                *target = std::move(value);
        }
        return true;
    }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override
    {
        object |= depth == 0;
        ++depth;
        return true;
    }
    bool key(string_t& value) override
    {
        if (depth == 1)
            currentKey.swap(value);
        return true;
    }
    bool end_object() override { return Leave(); }
    bool start_array(std::size_t) override
    {
        ++depth;
        return true;
    }
    bool end_array() override { return Leave(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    bool Number(std::int64_t value)
    {
        if (depth == 1 && currentKey == "number")
            number = value;
        return true;
    }
    bool Leave()
    {
        --depth;
        return true;
    }

    int depth = 0;
    std::string currentKey;
};

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
        CCaptureLine capture;
        if (capture.Parse(line) && capture.format)
            return TypeCodeNamed(*capture.format);
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
    if (lines.WasCut()) {
        messages({path, number, "longer than any capture line: left out"});
        return std::nullopt;
    }
    CCaptureLine capture;
    if (!capture.Parse(line)) {
        messages({path, number, ended ? "not a JSON object: left out" : "the last line is cut off: left out"});
        return std::nullopt;
    }
    const std::optional<std::string>& format = capture.format;
    if (typeCode && format && TypeCodeNamed(*format) != typeCode) {
        if (!otherFormatTold) {
            otherFormatTold = true;
            messages({path, number,
                      "a telegram of " + *format + ", not " + CFormatTable::TypeName(*typeCode) +
                          ": left out, as every other one of another format in this file"});
        }
        return std::nullopt;
    }
    const std::optional<CWallTime> time = capture.time ? CWallTime::FromIsoText(*capture.time) : std::nullopt;
    if (!time) {
        messages({path, number, "no time with its offset (\"time\"): left out"});
        return std::nullopt;
    }
    const std::optional<std::string> raw = capture.raw ? BytesOfHex(*capture.raw) : std::nullopt;
    if (!raw) {
        messages({path, number, "no bytes in hex (\"raw\"): left out"});
        return std::nullopt;
    }
    CRecordedRead read;
    read.raw = *raw;
    read.time = *time;
    if (capture.number && *capture.number >= 1 && *capture.number <= INT32_MAX)
        read.number = static_cast<int>(*capture.number);
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
