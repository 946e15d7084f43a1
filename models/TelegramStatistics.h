#pragma once
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "decoders/TelegramIndex.h"
#include "decoders/TelegramRecord.h"

// The counts of one index (or of the indexes past the cap together, of the
// reads without one, or of the whole line) since the statistics were last
// reset.
struct CStatisticsRow {
    enum class Kind { Index, OtherIndexes, NoIndex, Total };

    CStatisticsRow() = default;
    explicit CStatisticsRow(Kind rowOf) : rowKind(rowOf) {}

    Kind rowKind = Kind::Index;
    int kind = 0;          // the index record's kind (rows of indexes only)
    std::string text;      // the index text (rows of indexes only)
    // Every read counts in exactly one of the seven counts of its verdict,
    // and telegrams is their sum: it counts reads, empty ones among them.
    std::uint64_t telegrams = 0;
    std::uint64_t ok = 0;  // good telegrams: status OK and every check agreeing
    std::uint64_t badData = 0;
    std::uint64_t earlyEot = 0;
    std::uint64_t timedOut = 0;            // reads that brought nothing within the receive timeout
    std::uint64_t checksumErrors = 0;
    std::uint64_t checksumMismatches = 0;  // status OK, but the checksum disagrees
    std::uint64_t lengthMismatches = 0;    // status OK and checksum right, but the length disagrees
    // The times are those of the reads that brought bytes: an empty read
    // tells that the line was silent, so it neither makes the last telegram
    // younger nor an interval.
    std::uint64_t arrivals = 0;
    double firstTime = 0.0;        // receive times, clock milliseconds
    double lastTime = 0.0;
    double longestIntervalMs = 0.0;
    // Intervals across a port the user closed: no interval of the line's,
    // left out of the longest and the mean.
    bool nextAcrossClose = false;
    std::uint64_t intervalsAcrossClose = 0;
    double msAcrossClose = 0.0;

    // Seconds; 0 while fewer than two telegrams arrived.
    double MeanIntervalSeconds() const;
    double MaxIntervalSeconds() const { return longestIntervalMs * 0.001; }
    // Seconds since the last telegram arrived, at clock time now; none
    // while none has.
    std::optional<double> AgeSeconds(double now) const;
    // Telegrams per second from the first to the last (0 while fewer than two).
    double Rate() const;

    // "1", "other indexes", "none" or "total" for the kind column of a table.
    std::string KindText() const;
    std::string IndexText() const;
};

// Indexes in the order a user looks for them: by kind, then those whose
// text is a number by its value (5, 12, 103), then the others by text.
struct CIndexOrder {
    bool operator()(const std::pair<int, std::string>& a, const std::pair<int, std::string>& b) const;
};

// Line statistics over the telegrams handed over: one row per index (kind
// and text), one for reads without an index (timeouts, failed reads and
// telegrams that name no transponder), and the total of the line. Not
// thread-safe: one thread adds and reads.
class CTelegramStatistics {
public:
    // A line that names ever new indexes (a garbled index field) costs no
    // more than this many rows: the telegrams of later indexes are counted
    // together in one row of other indexes, so the totals still add up.
    static constexpr std::size_t kMaxIndexes = 1000;

    void Add(const CTelegramIndex& index, const CTelegramRecord& record);
    // Starts counting afresh, from now.
    void Reset();
    // When counting began: at the start, or at the last Reset.
    std::chrono::system_clock::time_point Since() const { return since; }

    // The rows of indexes in CIndexOrder, the row of other indexes once
    // there are more than kMaxIndexes, then the row of reads without an
    // index, then the total.
    std::vector<CStatisticsRow> Rows() const;

    // Whether indexes past kMaxIndexes came, and the sentence that tells
    // the user so (the same in the window and on the terminal).
    bool IndexesPastCap() const { return otherIndexes.telegrams > 0; }
    static std::string IndexCapText();

    // The table as text: a header, one line a row; cells separated by
    // separator (tab or comma); intervals and ages in seconds at clock time
    // now. Received index texts are cleaned as on a terminal, so no cell
    // holds a tab or a line end; with another separator than a tab, a cell
    // is written as CCsvCell::Text writes it: quoted when it holds the
    // separator or a quote, and never run as a formula by a spreadsheet.
    std::string Table(double now, char separator) const;

    // Datagrams the system dropped on the line before they could be read:
    // a figure of the line, apart from the rows.
    void AddDroppedBySystem(std::uint64_t count) { droppedBySystem += count; }
    std::uint64_t DroppedBySystem() const { return droppedBySystem; }

    // Reads framed by silence that hold two or more whole telegrams, judged
    // as one: reads framing by content would have parted.
    void AddReadHoldingSeveral() { ++readsHoldingSeveral; }

    // The user closed the port: the interval from each row's last telegram
    // to its next is not an interval of the line.
    void SkipIntervalsAcrossClose();
    std::uint64_t ReadsHoldingSeveral() const { return readsHoldingSeveral; }

private:
    static void Count(CStatisticsRow& row, double receiveTime, const CTelegramRecord& record);
    CStatisticsRow& RowOf(const CTelegramIndex& index);

    std::map<std::pair<int, std::string>, CStatisticsRow, CIndexOrder> indexes;
    CStatisticsRow otherIndexes{CStatisticsRow::Kind::OtherIndexes};
    CStatisticsRow withoutIndex{CStatisticsRow::Kind::NoIndex};
    CStatisticsRow total{CStatisticsRow::Kind::Total};
    std::uint64_t droppedBySystem = 0;
    std::uint64_t readsHoldingSeveral = 0;
    std::chrono::system_clock::time_point since = std::chrono::system_clock::now();
};
