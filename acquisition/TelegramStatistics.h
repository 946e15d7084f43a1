#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "decoders/TelegramIndex.h"
#include "decoders/TelegramRecord.h"

// The counts of one index (or of the reads without one, or of the whole
// line) since the statistics were last reset.
struct CStatisticsRow {
    enum class Kind { Index, NoIndex, Total };

    CStatisticsRow() = default;
    explicit CStatisticsRow(Kind rowOf) : rowKind(rowOf) {}

    Kind rowKind = Kind::Index;
    int kind = 0;          // the index record's kind (rows of indexes only)
    std::string text;      // the index text (rows of indexes only)
    std::uint64_t telegrams = 0;
    std::uint64_t ok = 0;
    std::uint64_t badData = 0;
    std::uint64_t earlyEot = 0;
    std::uint64_t checksumErrors = 0;
    std::uint64_t checksumMismatches = 0;  // OK telegrams whose checksum disagrees
    std::uint64_t lengthMismatches = 0;
    double firstTime = 0.0;        // receive times, clock milliseconds
    double lastTime = 0.0;
    double longestIntervalMs = 0.0;

    // Seconds; 0 while fewer than two telegrams were counted.
    double MeanIntervalSeconds() const;
    double MaxIntervalSeconds() const { return longestIntervalMs * 0.001; }
    // Seconds since the last telegram at clock time now (0 without one).
    double AgeSeconds(double now) const;
    // Telegrams per second from the first to the last (0 while fewer than two).
    double Rate() const;

    // "1", "none" or "total" for the kind column of a table.
    std::string KindText() const;
    std::string IndexText() const;
};

// Line statistics over the telegrams handed over: one row per index (kind
// and text), one for reads without an index (failed or empty reads), and
// the total of the line. Not thread-safe: one thread adds and reads.
class CTelegramStatistics {
public:
    void Add(const CTelegramIndex& index, const CTelegramRecord& record);
    void Reset();

    // The rows of indexes by kind and text, then the row of reads without
    // an index (when there were any), then the total.
    std::vector<CStatisticsRow> Rows() const;

    // The table as text: a header, one line a row; cells separated by
    // separator (tab or comma); intervals and ages in seconds at clock time now.
    std::string Table(double now, char separator) const;

    // Datagrams the system dropped on the line before they could be read:
    // a figure of the line, apart from the rows.
    void AddDroppedBySystem(std::uint64_t count) { droppedBySystem += count; }
    std::uint64_t DroppedBySystem() const { return droppedBySystem; }

private:
    static void Count(CStatisticsRow& row, double receiveTime, const CTelegramRecord& record);

    std::map<std::pair<int, std::string>, CStatisticsRow> indexes;
    CStatisticsRow withoutIndex{CStatisticsRow::Kind::NoIndex};
    CStatisticsRow total{CStatisticsRow::Kind::Total};
    std::uint64_t droppedBySystem = 0;
};
