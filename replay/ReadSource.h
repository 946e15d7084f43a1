#pragma once
#include <cstdint>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "replay/ReplaySession.h"

// One file of a recorded session, read a read at a time.
class CReadSource {
public:
    virtual ~CReadSource() = default;

    // The next read, or nullopt at the end of the file. What is wrong is
    // told to messages and skipped.
    virtual std::optional<CRecordedRead> Next(const CReplaySession::MessageSink& messages) = 0;
    // The format the file names (a capture's format, a CSV log's header
    // rows), if it names one.
    virtual std::optional<int> NamedTypeCode() const { return std::nullopt; }
    // Where the next read begins (offset, auxOffset, line, auxLine and the
    // times of the mark), and going back there.
    virtual void FillMark(CReplaySession::CMark& mark) const = 0;
    virtual void Restore(const CReplaySession::CMark& mark) = 0;
    // Bytes read, and the size of the file (files) read.
    virtual std::uint64_t BytesRead() const = 0;
    virtual std::uint64_t TotalBytes() const = 0;
};

// Opens path as what it is: a JSON Lines capture (its first byte that is
// not blank is '{'), a CSV log (its name ends in ".csv": the raw log beside
// it is played), or a raw log (with the CSV log beside it, or alone).
// typeCode: the session's format, when known. Null, with a message, when
// the file cannot be played at all.
std::unique_ptr<CReadSource> OpenReadSource(const std::string& path, const CReplaySession::COptions& options,
                                            std::optional<int> typeCode,
                                            const CReplaySession::MessageSink& messages);

// Reads a file line by line, counting lines and bytes, without holding
// more than a line.
class CLineFile {
public:
    bool Open(const std::string& path);
    // No more of a line is kept.
    static constexpr std::size_t kMaxLine = 1 << 20;

    // The next line without its line end; ended tells whether a line end
    // followed (false for a last line cut off).
    bool Next(std::string& line, bool& ended);
    // Whether the line Next returned last was longer than kMaxLine.
    bool WasCut() const { return cut; }
    void SeekTo(std::uint64_t offset, std::uint64_t lineNumber);
    std::uint64_t Offset() const { return offset; }
    // The number of the line Next returned last (1 for the first).
    std::uint64_t LineNumber() const { return lineNumber; }

private:
    std::ifstream file;
    std::uint64_t offset = 0;
    std::uint64_t lineNumber = 0;
    bool cut = false;
};

// The size of a file; 0 when it has none.
std::uint64_t FileSize(const std::string& path);

// The local time of the file's last modification.
std::optional<CWallTime> ModificationTime(const std::string& path);
