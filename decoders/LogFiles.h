#pragma once
#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

// What became of one log file when the logs were opened.
struct CLogFileState {
    std::string path;
    bool opened = false;
    std::string error;  // the system's error text when it could not be opened
};

struct CLogOpenResult {
    CLogFileState csv;
    CLogFileState raw;
    bool Ok() const { return csv.opened && raw.opened; }
};

// A decoder's two logs: the CSV table and, beside it, the raw bytes of every
// telegram. Both are open or neither is; opening destroys nothing before
// both files are known to open. What a telegram wrote is handed to the
// system at once (Flush), so a crash of the program loses nothing; the first
// failure to write or close is remembered for the caller to tell.
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

    // Closes what is open, then opens both files for appending, creating
    // them where missing. Only when both are open does Restart empty them;
    // when either cannot be opened, both files stay as they were (a file
    // this attempt created is removed again). Forgets an earlier failure.
    CLogOpenResult Open(const std::string& csvPath, Mode mode);
    void Close();
    bool IsOpen() const { return csv != nullptr; }

    // Silent while closed.
    void PrintCsv(const char* format, va_list args);
    void WriteCsv(std::string_view text);
    void WriteRaw(std::string_view bytes);
    // Hands everything written so far to the system.
    void Flush();

    // The first failure since the logs were opened, if any.
    bool HasError() const { return !error.empty(); }
    const std::string& GetError() const { return error; }

private:
    void FlushFile(std::FILE* file);
    void Remember(const std::string& reason);

    std::FILE* csv = nullptr;
    std::FILE* raw = nullptr;
    std::string error;
};
