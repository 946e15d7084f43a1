#pragma once
#include <optional>
#include <string>

#include "replay/ReadSource.h"

// A JSON Lines capture as `monitor --json` writes it: one object a line,
// of which the replay takes "time" (ISO 8601 with its offset), "format",
// "number" and "raw" (the bytes in hex). A line that is not JSON, lacks one
// of them or is cut off is told and skipped; lines of another format than
// the session's are left out, told once.
class CJsonCaptureSource : public CReadSource {
public:
    CJsonCaptureSource(std::string path, std::optional<int> typeCode);

    std::optional<CRecordedRead> Next(const CReplaySession::MessageSink& messages) override;
    std::optional<int> NamedTypeCode() const override;
    void FillMark(CReplaySession::CMark& mark) const override;
    void Restore(const CReplaySession::CMark& mark) override;
    std::uint64_t TotalBytes() const override { return totalBytes; }
    std::uint64_t BytesRead() const override { return lines.Offset(); }

private:
    std::optional<CRecordedRead> ReadLine(const std::string& line, bool ended,
                                          const CReplaySession::MessageSink& messages);

    std::string path;
    std::uint64_t totalBytes = 0;
    std::optional<int> typeCode;
    CLineFile lines;
    bool otherFormatTold = false;
};
