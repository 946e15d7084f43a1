#include "replay/LogSource.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <sstream>
#include <vector>

#include "decoders/FormatDecoder.h"
#include "decoders/FormatTable.h"
#include "decoders/TelegramStatus.h"

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// A time of day further back than this before the one above it is on the next day.
constexpr std::int64_t kMidnightStep = 12 * 3'600'000;

bool IsHeaderRow(const std::string& line)
{
    return line.rfind("Time,", 0) == 0 || line.rfind("Base ->,", 0) == 0;
}

// "HH:MM:SS.mmm," at the start of a row: the milliseconds of the day.
std::optional<std::int64_t> RowTime(const std::string& line)
{
    if (line.size() < 13 || line[2] != ':' || line[5] != ':' || line[8] != '.' || line[12] != ',')
        return std::nullopt;
    static constexpr int kDigits[] = {0, 1, 3, 4, 6, 7, 9, 10, 11};
    for (int at : kDigits) {
        if (line[at] < '0' || line[at] > '9')
            return std::nullopt;
    }
    const auto two = [&line](int at) { return (line[at] - '0') * 10 + (line[at + 1] - '0'); };
    const int hour = two(0), minute = two(3), second = two(6);
    const int millis = (line[9] - '0') * 100 + (line[10] - '0') * 10 + (line[11] - '0');
    if (hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return ((hour * 60 + minute) * 60 + second) * std::int64_t{1000} + millis;
}

// The fourth cell of a row.
std::string StatusCell(const std::string& line)
{
    std::size_t start = 0;
    for (int cell = 0; cell < 3; ++cell) {
        start = line.find(',', start);
        if (start == std::string::npos)
            return {};
        ++start;
    }
    const std::size_t end = line.find(',', start);
    return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The header rows each format writes, by writing them once to a file of our own.
const std::map<int, std::vector<std::string>>& HeaderRowsOfFormats()
{
    static std::map<int, std::vector<std::string>> headers;
    static std::once_flag once;
    std::call_once(once, [] {
        namespace fs = std::filesystem;
        std::error_code error;
        const fs::path folder = fs::temp_directory_path(error) /
                                ("vantrel-headers-" + std::to_string(std::random_device()()));
        if (error || !fs::create_directories(folder, error))
            return;
        for (const CFormatEntry& entry : CFormatTable::Formats()) {
            std::unique_ptr<CFormatDecoder> decoder = CFormatTable::Create(entry.code);
            const std::string csv = (folder / (std::string(entry.key) + ".csv")).string();
            if (!decoder || !decoder->OpenLogs(csv).Ok())
                continue;
            decoder->CloseLogs();
            CLineFile file;
            file.Open(csv);
            std::string line;
            bool ended = false;
            while (file.Next(line, ended))
                headers[entry.code].push_back(line);
        }
        fs::remove_all(folder, error);
    });
    return headers;
}

} // namespace

std::string CLogSource::CsvPathFor(const std::string& rawPath)
{
    const std::filesystem::path path(rawPath);
    std::string name = path.filename().string();
    if (name.find(".raw") == std::string::npos)
        return {};
    std::string replaced = name;
    for (std::size_t at = replaced.find(".raw"); at != std::string::npos; at = replaced.find(".raw", at + 4))
        replaced.replace(at, 4, ".csv");
    std::error_code error;
    if (std::filesystem::exists(path.parent_path() / replaced, error))
        return (path.parent_path() / replaced).string();
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".raw") == 0)
        return (path.parent_path() / name.substr(0, name.size() - 4)).string();
    return (path.parent_path() / replaced).string();
}

std::vector<int> CLogSource::FormatsOfCsv(const std::string& csvPath)
{
    CLineFile file;
    if (!file.Open(csvPath))
        return {};
    std::vector<std::string> header;
    std::string line;
    bool ended = false;
    while (file.Next(line, ended) && IsHeaderRow(line))
        header.push_back(line);
    std::vector<int> found;
    for (const auto& [code, rows] : HeaderRowsOfFormats()) {
        if (rows == header)
            found.push_back(code);
    }
    return found;
}

std::unique_ptr<CLogSource> CLogSource::Open(const std::string& rawPath, const std::string& csvPath,
                                             const CReplaySession::COptions& options, std::optional<int> typeCode,
                                             const CReplaySession::MessageSink& messages)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(rawPath, error)) {
        messages({rawPath, 0, "no raw log to play: left out"});
        return nullptr;
    }
    const bool withCsv = !csvPath.empty() && std::filesystem::is_regular_file(csvPath, error);
    if (withCsv) {
        const std::vector<int> named = FormatsOfCsv(csvPath);
        if (!typeCode && named.size() == 1)
            typeCode = named.front();
        if (!typeCode) {
            std::string text = "its header rows name no format";
            for (std::size_t i = 0; i < named.size(); ++i)
                text += std::string(i == 0 ? ": those of " : " and ") + CFormatTable::TypeName(named[i]);
            messages({csvPath, 0, text + ": give the type (--type)"});
            return nullptr;
        }
        if (!named.empty() && std::find(named.begin(), named.end(), *typeCode) == named.end()) {
            messages({csvPath, 0,
                      std::string("a log of ") + CFormatTable::TypeName(named.front()) + ", not " +
                          CFormatTable::TypeName(*typeCode) + ": left out"});
            return nullptr;
        }
    } else if (!options.allowRawAlone || !typeCode) {
        messages({rawPath, 0,
                  "no CSV log beside it" + (csvPath.empty() ? std::string() : " (" + csvPath + ")") +
                      (typeCode ? "" : " and no type given (--type)") + ": left out"});
        return nullptr;
    } else {
        std::ostringstream text;
        text << "no CSV log beside it: its reads play at " << options.rawRate
             << " a second from the time it was last written";
        messages({rawPath, 0, text.str()});
    }
    if (!CFormatTable::CreateFramer(*typeCode)) {
        messages({rawPath, 0, "its format cannot be framed: left out"});
        return nullptr;
    }
    auto source = std::unique_ptr<CLogSource>(
        new CLogSource(rawPath, withCsv ? csvPath : std::string(), *typeCode, options.rawRate));
    return source;
}

CLogSource::CLogSource(std::string raw_, std::string csv_, int code, double readsPerSecond)
    : rawPath(std::move(raw_)), csvPath(std::move(csv_)), typeCode(code),
      rate(readsPerSecond > 0.0 ? readsPerSecond : 1.0)
{
    raw.open(rawPath, std::ios::binary);
    totalBytes = FileSize(rawPath) + FileSize(csvPath);
    StartFraming();
    const std::optional<CWallTime> written = ModificationTime(csvPath.empty() ? rawPath : csvPath);
    const CWallTime end = written ? *written : CWallTime::InLocalZone(0);
    if (csvPath.empty()) {
        rowsEnded = true;
        lastUtcMs = end.utcMilliseconds - static_cast<std::int64_t>(1000.0 / rate);
        return;
    }
    // Count the midnights the rows pass, to date the first row.
    rows.Open(csvPath);
    int midnights = 0;
    while (std::optional<CRow> row = NextRow()) {
        if (lastMsOfDay >= 0 && row->msOfDay < lastMsOfDay - kMidnightStep)
            ++midnights;
        lastMsOfDay = row->msOfDay;
    }
    const SYSTEMTIME first = CWallTime::InLocalZone(end.utcMilliseconds - midnights * kMsPerDay).LocalTime();
    const std::optional<CWallTime> midnight = CWallTime::FromLocal(first.wYear, first.wMonth, first.wDay, 0, 0, 0, 0);
    dayStartUtcMs = midnight ? midnight->utcMilliseconds : 0;
    rows.SeekTo(0, 0);
    rowsEnded = false;
    lastMsOfDay = -1;
}

void CLogSource::StartFraming()
{
    framing = std::make_unique<CContentFraming>(CFormatTable::CreateFramer(typeCode));
}

std::optional<std::string> CLogSource::NextFramed()
{
    for (;;) {
        std::optional<std::string> read = rawEnded ? framing->TakeRest() : framing->TakeRead();
        if (read) {
            consumed += read->size();
            return read;
        }
        if (rawEnded)
            return std::nullopt;
        char chunk[65536];
        raw.read(chunk, sizeof chunk);
        const std::streamsize got = raw.gcount();
        if (got <= 0)
            rawEnded = true;
        else
            framing->Append(std::string_view(chunk, static_cast<std::size_t>(got)));
    }
}

std::optional<CLogSource::CRow> CLogSource::NextRow()
{
    std::string line;
    bool ended = false;
    while (!rowsEnded && rows.Next(line, ended)) {
        if (const std::optional<std::int64_t> time = RowTime(line))
            return CRow{*time, StatusCell(line) == StatusText(kStatusTimedOut)};
    }
    rowsEnded = true;
    return std::nullopt;
}

CWallTime CLogSource::TimeOfRow(const CRow& row)
{
    if (lastMsOfDay >= 0 && row.msOfDay < lastMsOfDay - kMidnightStep)
        dayStartUtcMs += kMsPerDay;
    lastMsOfDay = row.msOfDay;
    const SYSTEMTIME day = CWallTime::InLocalZone(dayStartUtcMs + kMsPerDay / 2).LocalTime();
    const std::int64_t ms = row.msOfDay;
    const std::optional<CWallTime> time =
        CWallTime::FromLocal(day.wYear, day.wMonth, day.wDay, static_cast<int>(ms / 3'600'000),
                             static_cast<int>(ms / 60'000 % 60), static_cast<int>(ms / 1000 % 60),
                             static_cast<int>(ms % 1000));
    return time ? *time : CWallTime::InLocalZone(dayStartUtcMs + ms);
}

CWallTime CLogSource::SteadyTime()
{
    ++steadyReads;
    return CWallTime::InLocalZone(lastUtcMs + static_cast<std::int64_t>(1000.0 / rate));
}

std::optional<CRecordedRead> CLogSource::Next(const CReplaySession::MessageSink& messages)
{
    CRecordedRead read;
    if (std::optional<CRow> row = NextRow()) {
        read.file = csvPath;
        read.line = rows.LineNumber();
        if (!row->timedOut) {
            std::optional<std::string> bytes = NextFramed();
            if (!bytes) {
                if (!disagreementTold) {
                    disagreementTold = true;
                    messages({csvPath, read.line,
                              "more rows than reads recut from " + rawPath + ": the rows from here are left out"});
                }
                return std::nullopt;
            }
            read.raw = std::move(*bytes);
        }
        read.time = TimeOfRow(*row);
    } else {
        std::optional<std::string> bytes = NextFramed();
        if (!bytes)
            return std::nullopt;
        if (!csvPath.empty() && !disagreementTold) {
            disagreementTold = true;
            std::ostringstream text;
            text << "more reads recut from " << rawPath << " than rows: the rest plays at " << rate
                 << " a second";
            messages({csvPath, rows.LineNumber(), text.str()});
        }
        read.raw = std::move(*bytes);
        read.file = csvPath.empty() ? rawPath : csvPath;
        read.time = SteadyTime();
    }
    lastUtcMs = read.time.utcMilliseconds;
    return read;
}

void CLogSource::FillMark(CReplaySession::CMark& mark) const
{
    mark.offset = consumed;
    mark.auxOffset = rows.Offset();
    mark.auxLine = rows.LineNumber();
    mark.line = steadyReads;
    mark.dayStartUtcMs = dayStartUtcMs;
    mark.lastUtcMs = lastUtcMs;
    mark.lastMsOfDay = lastMsOfDay;
    mark.rowsEnded = rowsEnded;
}

void CLogSource::Restore(const CReplaySession::CMark& mark)
{
    raw.clear();
    raw.seekg(static_cast<std::streamoff>(mark.offset));
    consumed = mark.offset;
    rawEnded = false;
    StartFraming();
    if (!csvPath.empty())
        rows.SeekTo(mark.auxOffset, mark.auxLine);
    steadyReads = mark.line;
    dayStartUtcMs = mark.dayStartUtcMs;
    lastUtcMs = mark.lastUtcMs;
    lastMsOfDay = mark.lastMsOfDay;
    rowsEnded = mark.rowsEnded;
}
