#include "decoders/LogFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// Whether anything, a dangling symbolic link included, has that name.
bool Exists(const std::string& path)
{
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

const char* KindOf(fs::file_type type)
{
    switch (type) {
    case fs::file_type::directory: return "a folder";
    case fs::file_type::character: return "a character device";
    case fs::file_type::block: return "a block device";
    case fs::file_type::fifo: return "a FIFO";
    case fs::file_type::socket: return "a socket";
    default: return "of an unknown kind";
    }
}

// A log is a regular file, new or there already; a symbolic link counts as
// what it leads to. Anything else is refused before it is opened: /dev/null
// would lose the record, a FIFO nobody reads would hold the program up, a
// device would take the rows as it takes anything.
bool IsFitForALog(CLogFileState& state)
{
    std::error_code unknown;  // opening tells why the path cannot be reached
    const fs::file_type type = fs::status(state.path, unknown).type();
    if (unknown || type == fs::file_type::not_found || type == fs::file_type::regular)
        return true;
    state.notRegularFile = true;
    state.error = std::string("not a regular file but ") + KindOf(type);
    return false;
}

// Opens a log for appending, creating it where missing: nothing it held is lost yet.
std::FILE* OpenForAppend(CLogFileState& state, const char* mode)
{
    if (!IsFitForALog(state))
        return nullptr;
    std::FILE* file = std::fopen(state.path.c_str(), mode);
    state.opened = file != nullptr;
    if (!file)
        state.error = std::strerror(errno);
    return file;
}

// Empties a log that is open.
bool Empty(CLogFileState& state)
{
    std::error_code failure;
    fs::resize_file(state.path, 0, failure);
    if (!failure)
        return true;
    state.opened = false;
    state.error = failure.message();
    return false;
}

// Whether a file ends within a line: the disk filled, or the program
// ended, as a row was written. A device or a pipe has no end to read.
bool EndsWithinALine(const std::string& path)
{
    std::error_code ignored;
    if (!fs::is_regular_file(path, ignored))
        return false;
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file || file.tellg() <= 0)
        return false;
    file.seekg(-1, std::ios::end);
    char last = '\n';
    return file.get(last) && last != '\n';
}

// Closes a log that is not kept; removes it when this attempt created it.
void Discard(std::FILE* file, const std::string& path, bool existed)
{
    if (!file)
        return;
    std::fclose(file);
    std::error_code ignored;
    if (!existed)
        fs::remove(path, ignored);
}

} // namespace

CLogFiles::~CLogFiles()
{
    Close();
}

std::string CLogFiles::RawPathFor(const std::string& csvPath)
{
    static const std::string csvName = ".csv";
    // Only the file name changes: the raw log goes into the CSV log's own
    // folder, whatever that folder is called ("survey.csv.d", say).
    const std::size_t nameStart = csvPath.find_last_of('/') + 1;  // 0 without a folder
    if (csvPath.find(csvName, nameStart) == std::string::npos)
        return csvPath + ".raw";
    std::string rawPath = csvPath;
    for (std::size_t at = rawPath.find(csvName, nameStart); at != std::string::npos;
         at = rawPath.find(csvName, at + 4))
        rawPath.replace(at, csvName.size(), ".raw");
    return rawPath;
}

CLogOpenResult CLogFiles::Open(const std::string& csvPath, Mode mode)
{
    Close();
    {
        std::lock_guard<std::mutex> lock(errorGuard);
        error.clear();
    }
    CLogOpenResult result;
    result.csv.path = csvPath;
    result.raw.path = RawPathFor(csvPath);
    const bool csvExisted = Exists(result.csv.path);
    const bool rawExisted = Exists(result.raw.path);
    std::FILE* newCsv = OpenForAppend(result.csv, "a");
    // Beside a path refused, no raw log is made (nor one in /dev for /dev/null).
    std::FILE* newRaw = result.csv.notRegularFile ? nullptr : OpenForAppend(result.raw, "ab");
    bool ok = newCsv && newRaw;
    if (ok && mode == Mode::Restart)
        ok = Empty(result.csv) && Empty(result.raw);
    if (!ok) {
        Discard(newCsv, result.csv.path, csvExisted);
        Discard(newRaw, result.raw.path, rawExisted);
        return result;
    }
    csv = newCsv;
    raw = newRaw;
    if (diskSyncer)
        StartSyncing();
    // What is appended begins on a line of its own; the cut row stays as it
    // was. A failure to write it is remembered as any other.
    if (mode == Mode::Continue && EndsWithinALine(result.csv.path)) {
        WriteCsv("\n");
        FlushFile(csv);
    }
    return result;
}

void CLogFiles::Close()
{
    StopSyncing();
    if (!IsOpen())
        return;
    Flush();
    if (csvSyncer)
        Sync();
    csvSyncer = nullptr;
    rawSyncer = nullptr;
    for (std::FILE** file : {&csv, &raw}) {
        if (std::fclose(*file) != 0)
            Remember(std::strerror(errno));
        *file = nullptr;
    }
}

void CLogFiles::StartSyncing()
{
    csvSyncer = diskSyncer(csv);
    rawSyncer = diskSyncer(raw);
    stopSyncing = false;
    syncThread = std::thread(&CLogFiles::SyncLoop, this);
}

// Joins the thread: no sync runs while the files close.
void CLogFiles::StopSyncing()
{
    if (!syncThread.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(syncGuard);
        stopSyncing = true;
    }
    syncWake.notify_all();
    syncThread.join();
}

void CLogFiles::SyncLoop()
{
    const auto stopping = [this] { return stopSyncing; };
    std::unique_lock<std::mutex> lock(syncGuard);
    auto due = std::chrono::steady_clock::now() + kSyncPeriod;
    while (!syncWake.wait_until(lock, due, stopping)) {
        due = std::chrono::steady_clock::now() + kSyncPeriod;
        if (unsynced.exchange(false)) {
            lock.unlock();
            Sync();
            lock.lock();
        }
    }
}

void CLogFiles::Sync()
{
    for (const FileSyncer* syncer : {&csvSyncer, &rawSyncer}) {
        const std::string failure = (*syncer)();
        if (!failure.empty())
            Remember(failure);
    }
}

void CLogFiles::PrintCsv(const char* format, va_list args)
{
    if (csv)
        std::vfprintf(csv, format, args);
}

void CLogFiles::WriteCsv(std::string_view text)
{
    if (csv)
        std::fwrite(text.data(), 1, text.size(), csv);
}

void CLogFiles::WriteRaw(std::string_view bytes)
{
    if (!raw)
        return;
    std::fwrite(bytes.data(), 1, bytes.size(), raw);
    FlushFile(raw);
}

void CLogFiles::Flush()
{
    FlushFile(csv);
    FlushFile(raw);
}

void CLogFiles::FlushFile(std::FILE* file)
{
    if (!file)
        return;
    std::fflush(file);
    unsynced = true;
    if (std::ferror(file))
        Remember(errno ? std::strerror(errno) : "write error");
}

bool CLogFiles::HasError() const
{
    std::lock_guard<std::mutex> lock(errorGuard);
    return !error.empty();
}

std::string CLogFiles::GetError() const
{
    std::lock_guard<std::mutex> lock(errorGuard);
    return error;
}

void CLogFiles::Remember(const std::string& reason)
{
    std::lock_guard<std::mutex> lock(errorGuard);
    if (error.empty())
        error = reason;
}
