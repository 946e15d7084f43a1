#pragma once
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "decoders/ContentFraming.h"
#include "replay/ReadSource.h"

// The logs every user has: the raw log, its reads recut by the format's
// framer, timed by the Time column of the CSV log beside it. A row of a
// read that timed out is an empty read. The rows' date is the local date
// the CSV log was last written (its modification time), counted back over
// every midnight the rows pass (a time of day more than twelve hours before
// the one above it). Where reads and rows do not agree in number, that is
// told once and the reads play at the rows' times as far as they agree,
// then at a steady pace. Without a CSV log the raw log's reads play at a
// steady pace from its modification time.
class CLogSource : public CReadSource {
public:
    // csvPath "": the raw log alone.
    static std::unique_ptr<CLogSource> Open(const std::string& rawPath, const std::string& csvPath,
                                            const CReplaySession::COptions& options, std::optional<int> typeCode,
                                            const CReplaySession::MessageSink& messages);
    // The CSV log that belongs beside a raw log: every ".raw" of its file
    // name replaced by ".csv", or without ".raw" at its end.
    static std::string CsvPathFor(const std::string& rawPath);
    // The formats whose header rows begin the CSV log (more than one where
    // formats share their header rows).
    static std::vector<int> FormatsOfCsv(const std::string& csvPath);

    std::optional<CRecordedRead> Next(const CReplaySession::MessageSink& messages) override;
    std::optional<int> NamedTypeCode() const override { return typeCode; }
    void FillMark(CReplaySession::CMark& mark) const override;
    void Restore(const CReplaySession::CMark& mark) override;
    std::uint64_t TotalBytes() const override { return totalBytes; }
    std::uint64_t BytesRead() const override { return consumed + rows.Offset(); }

private:
    struct CRow {
        std::int64_t msOfDay;
        bool timedOut;
    };

    CLogSource(std::string rawPath, std::string csvPath, int typeCode, double rate);
    void StartFraming();
    std::optional<std::string> NextFramed();
    std::optional<CRow> NextRow();
    // The recorded time of a row, passing a midnight where the time of day
    // goes back by more than twelve hours.
    CWallTime TimeOfRow(const CRow& row);
    CWallTime SteadyTime();

    std::string rawPath;
    std::string csvPath;
    std::uint64_t totalBytes = 0;
    int typeCode;
    double rate;
    std::ifstream raw;
    std::unique_ptr<CContentFraming> framing;
    bool rawEnded = false;
    std::uint64_t consumed = 0;  // bytes of the raw log handed out as reads
    CLineFile rows;
    bool rowsEnded = false;
    std::int64_t dayStartUtcMs = 0;  // the local midnight of the current row's date
    std::int64_t lastUtcMs = 0;      // the time of the last read
    std::int64_t lastMsOfDay = -1;
    std::uint64_t steadyReads = 0;   // played at the steady pace so far
    bool disagreementTold = false;
};
