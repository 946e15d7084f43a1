#pragma once
// A disk that takes no more, for tests of logs that cannot be written:
// while a CFileSizeLimit lives, no file of this process (every thread, and
// the children it starts, which keep it) grows beyond limit bytes. A write
// there fails as on a full disk, with EFBIG ("File too large"), instead of
// ending the process with SIGXFSZ. A log already at the limit (a sparse
// file made that long) takes nothing from the first byte on.
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <fstream>
#include <string>

class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        savedSignal = signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved;
        lowered.rlim_cur = limit;
        active = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~CFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, savedSignal);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

    bool Active() const { return active; }

    // A file at path as long as limit, holding nothing: appending to it under
    // that limit fails at once.
    static void MakeFull(const std::string& path, rlim_t limit)
    {
        std::ofstream(path, std::ios::app).close();
        std::filesystem::resize_file(path, limit);
    }

private:
    rlimit saved{};
    void (*savedSignal)(int) = SIG_DFL;
    bool active = false;
};
