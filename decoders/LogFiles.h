#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

// What became of one log file when the logs were opened.
struct CLogFileState {
    std::string path;
    bool opened = false;
    std::string error;  // why it could not be opened: the system's error text, or ...
    bool notRegularFile = false;  // ... it is there and no regular file ("not a regular file but a FIFO")
};

struct CLogOpenResult {
    CLogFileState csv;
    CLogFileState raw;
    bool Ok() const { return csv.opened && raw.opened; }
};

// Makes the bytes written so far to one open file durable on the disk;
// returns "" when they are, else the system's error text.
using FileSyncer = std::function<std::string()>;
// Gives the syncer of a file just opened. Standard C++ cannot reach the
// disk: the layer that talks to the operating system supplies this.
using DiskSyncer = std::function<FileSyncer(std::FILE* file)>;

// A decoder's two logs: the CSV table and, beside it, the raw bytes of every
// telegram. Both are open or neither is; opening destroys nothing before
// both files are known to open. What a telegram wrote is handed to the
// system at once (Flush), so a crash of the program loses nothing. With a
// disk syncer both files also reach the disk, so a power cut loses at most
// the last second: a thread of their own syncs them once a second while
// they are written to (writing never waits for it), and closing syncs them
// a last time. The first failure to write, sync or close is remembered for
// the caller to tell.
class CLogFiles {
public:
    enum class Mode {
        Restart,  // empty both files
        Continue  // append to both files
    };

    CLogFiles() = default;
    ~CLogFiles();
    CLogFiles(const CLogFiles&) = delete;
    CLogFiles& operator=(const CLogFiles&) = delete;

    // The raw log's path for a CSV path, in the same folder: every ".csv" of
    // the file name replaced by ".raw"; a file name without ".csv" gets
    // ".raw" appended so the two never share a file.
    static std::string RawPathFor(const std::string& csvPath);

    // Applies to the logs opened afterwards; null: flushed only.
    void SetDiskSyncer(DiskSyncer syncer) { diskSyncer = std::move(syncer); }

    // Closes what is open, then opens both files for appending, creating
    // them where missing; a path that is there and no regular file (a
    // device, a FIFO, a folder; a link counts as what it leads to) is
    // refused before it is opened, and beside a CSV path refused the raw log
    // is not tried (its state has no error). Only when both are open does Restart empty them;
    // when either cannot be opened, both files stay as they were (a file
    // this attempt created is removed again). Continue ends a CSV log whose
    // last row was cut off with a line end first. Forgets an earlier failure.
    CLogOpenResult Open(const std::string& csvPath, Mode mode);
    void Close();
    bool IsOpen() const { return csv != nullptr; }

    // Silent while closed.
    void PrintCsv(const char* format, va_list args);
    void WriteCsv(std::string_view text);
    void WriteRaw(std::string_view bytes);
    // Hands everything written so far to the system.
    void Flush();

    // The first failure since the logs were opened, if any; from any thread.
    bool HasError() const;
    std::string GetError() const;

    static constexpr std::chrono::milliseconds kSyncPeriod{1000};

private:
    void FlushFile(std::FILE* file);
    void Remember(const std::string& reason);
    void StartSyncing();
    void StopSyncing();
    void SyncLoop();
    void Sync();

    std::FILE* csv = nullptr;
    std::FILE* raw = nullptr;

    DiskSyncer diskSyncer;
    FileSyncer csvSyncer;
    FileSyncer rawSyncer;
    std::atomic<bool> unsynced{false};  // written to since the last sync
    std::mutex syncGuard;
    std::condition_variable syncWake;
    bool stopSyncing = false;
    std::thread syncThread;

    mutable std::mutex errorGuard;
    std::string error;
};
