#include "replay/ReadSource.h"

#include <chrono>
#include <filesystem>

#include "decoders/LogFiles.h"
#include "replay/JsonCaptureSource.h"
#include "replay/LogSource.h"

namespace {

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Whether the first byte that is not blank is '{'; nullopt when the file
// cannot be read.
std::optional<bool> LooksLikeJsonLines(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    char c = 0;
    while (file.get(c)) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return c == '{';
    }
    return false;
}

} // namespace

std::unique_ptr<CReadSource> OpenReadSource(const std::string& path, const CReplaySession::COptions& options,
                                            std::optional<int> typeCode,
                                            const CReplaySession::MessageSink& messages)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        messages({path, 0, "a folder, not a recording: left out"});
        return nullptr;
    }
    const std::optional<bool> json = LooksLikeJsonLines(path);
    if (!json) {
        messages({path, 0, "cannot be read: left out"});
        return nullptr;
    }
    if (std::filesystem::file_size(path, error) == 0 && !error) {
        messages({path, 0, "empty: nothing to play"});
        return nullptr;
    }
    // The logs by their names: a raw log may begin with '{' too.
    if (EndsWith(path, ".csv"))
        return CLogSource::Open(CLogFiles::RawPathFor(path), path, options, typeCode, messages);
    if (*json && !EndsWith(path, ".raw"))
        return std::make_unique<CJsonCaptureSource>(path, typeCode);
    return CLogSource::Open(path, CLogSource::CsvPathFor(path), options, typeCode, messages);
}

bool CLineFile::Open(const std::string& path)
{
    file.open(path, std::ios::binary);
    offset = 0;
    lineNumber = 0;
    return static_cast<bool>(file);
}

bool CLineFile::Next(std::string& line, bool& ended)
{
    line.clear();
    cut = false;
    ended = false;
    bool any = false;
    for (;;) {
        char chunk[4096];
        file.get(chunk, sizeof chunk, '\n');
        const std::size_t got = static_cast<std::size_t>(file.gcount());
        any |= got > 0;
        offset += got;
        // A line longer than any a recording holds is kept to its beginning.
        if (line.size() + got <= kMaxLine)
            line.append(chunk, got);
        else
            cut = true;
        if (file.eof())
            break;
        file.clear();  // get fails where the line end comes first
        if (file.peek() == '\n') {
            file.ignore();
            ++offset;
            ended = any = true;
            break;
        }
    }
    if (!any)
        return false;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

void CLineFile::SeekTo(std::uint64_t newOffset, std::uint64_t newLineNumber)
{
    file.clear();
    file.seekg(static_cast<std::streamoff>(newOffset));
    offset = newOffset;
    lineNumber = newLineNumber;
}

std::optional<CWallTime> ModificationTime(const std::string& path)
{
    std::error_code error;
    const auto written = std::filesystem::last_write_time(path, error);
    if (error)
        return std::nullopt;
    const auto system = std::chrono::file_clock::to_sys(written);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(system.time_since_epoch()).count();
    return CWallTime::InLocalZone(ms);
}

std::uint64_t FileSize(const std::string& path)
{
    std::error_code error;
    const std::uintmax_t size = path.empty() ? 0 : std::filesystem::file_size(path, error);
    return error ? 0 : size;
}
