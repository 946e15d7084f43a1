#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "clock/WallTime.h"

// One read of a recorded session, as the line gave it and when.
struct CRecordedRead {
    std::string raw;
    CWallTime time;
    // The telegram number the recording gave it (a JSON capture keeps it);
    // nullopt where the recording kept none.
    std::optional<int> number;
    // Where it was read: the file and the line of it (a JSON capture's line,
    // the CSV row of a log; 0 for a raw log alone).
    std::string file;
    std::uint64_t line = 0;
};

// What a replay tells of its input: a line that could not be read, times
// that go backwards, a file of another format, reads and rows that do not
// agree. The rest of the session plays on.
struct CReplayMessage {
    std::string file;        // "" when it concerns no one file
    std::uint64_t line = 0;  // 0 when it concerns the whole file
    std::string text;

    // "night.jsonl:17: not JSON", "night.raw: no CSV log beside it ...".
    std::string Text() const;
};
