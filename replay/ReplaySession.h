#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "replay/RecordedRead.h"

class CReadSource;

// A recorded session: one or more files played one after the other as one
// session, each of them
//
//  - a JSON Lines capture, as `monitor --json` writes it (a file whose first
//    byte that is not blank is '{'): each line one read, its time with the
//    offset from UTC then in force, its format and its bytes;
//  - a raw log with the CSV log beside it (the CSV path made from the raw
//    path by replacing ".raw" with ".csv"): the reads recut from the raw
//    bytes by the format's framer, timed by the Time column of the CSV rows;
//    the date is the local date on which the CSV log was last written (its
//    modification time), counted back over every midnight the rows pass
//    (a time of day that goes back by more than an hour);
//  - a raw log alone (allowRawAlone): the reads framed by content, paced at
//    rawRate reads a second from the raw log's modification time.
//
// Files are read as they play, never loaded whole. Whatever is wrong with
// a file is told as a message naming the file and line (the first twenty
// of a file), and the rest plays.
class CReplaySession {
public:
    struct COptions {
        // The format of the session (a type code of the table of formats);
        // nullopt: taken from the first file that names one (a capture's
        // "format", a CSV log's header rows).
        std::optional<int> typeCode;
        // Reads a second of a raw log played without its CSV log.
        double rawRate = 1.0;
        // Whether a raw log without its CSV log plays (paced by rawRate) or
        // is refused with a message.
        bool allowRawAlone = true;
    };
    using MessageSink = std::function<void(const CReplayMessage&)>;

    // A place in the session to read on from: taken by the index, given back
    // to seek. Opaque to callers.
    struct CMark {
        std::size_t file = 0;
        bool inFile = false;           // taken within the file, not before it opened
        std::int64_t previousUtcMs = 0;  // the session's time of the read before
        std::uint64_t ordinal = 0;     // reads of the session before this one
        std::uint64_t offset = 0;      // where the file's next read begins
        std::uint64_t auxOffset = 0;   // the CSV log's next row, for a raw log
        std::uint64_t line = 0;        // the line number at offset
        std::uint64_t auxLine = 0;     // the CSV row number at auxOffset
        std::int64_t dayStartUtcMs = 0;  // the local midnight the rows are counted from
        std::int64_t lastUtcMs = 0;      // the time of the read before
        std::int64_t lastMsOfDay = -1;   // the time of day of the row before
        bool rowsEnded = false;
    };

    CReplaySession(std::vector<std::string> files, COptions options);
    ~CReplaySession();
    CReplaySession(CReplaySession&&) noexcept;
    CReplaySession& operator=(CReplaySession&&) noexcept;

    const std::vector<std::string>& Files() const { return files; }
    const COptions& Options() const { return options; }

    // Finds the session's format when none was given (opening the files in
    // turn until one names it); nullopt, with a message, when none does.
    std::optional<int> TypeCode(const MessageSink& messages);

    // Reading, from the start or from a mark. Each file is opened when its
    // turn comes; what is wrong is told to messages.
    void Rewind();
    void SeekTo(const CMark& mark);
    std::optional<CRecordedRead> Next(const MessageSink& messages);
    // Where the next read begins.
    CMark Mark() const;
    // Reads handed out since the start.
    std::uint64_t Ordinal() const { return ordinal; }
    // How far reading has come, 0 to 1: the files done and the share of the
    // current one read (for a progress bar).
    double Progress() const;

private:
    bool OpenFile(std::size_t file, const MessageSink& messages);

    std::vector<std::string> files;
    COptions options;
    std::size_t current = 0;
    std::uint64_t ordinal = 0;
    std::int64_t previousUtcMs = 0;
    std::size_t backwardsToldIn = static_cast<std::size_t>(-1);  // the file the last time going back was told in
    static constexpr std::uint64_t kMessagesPerFile = 20;
    std::pair<std::size_t, std::uint64_t> toldInFile{static_cast<std::size_t>(-1), 0};  // file, messages told
    std::unique_ptr<CReadSource> source;
    std::optional<CMark> pendingMark;  // a seek to apply when the file opens
};
