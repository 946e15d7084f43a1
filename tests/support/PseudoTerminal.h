#pragma once
// A pseudo-terminal standing in for the serial line in tests: the code under
// test opens the slave side as its port, the test plays the positioning
// system on the master side.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// Whether a reader holds the line at path open: the port keeps it locked
// while open (for this process's reader or another's).
inline bool IsLineHeldOpen(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY;
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

// Waits until a reader holds the line at path open; false after timeout.
inline bool WaitUntilHeldOpen(const std::string& path, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!IsLineHeldOpen(path)) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// Watches, from a thread of its own, whether the reader lets go of the line
// at path at any moment (closes its port, to open it again, say).
class CLineWatch {
public:
    explicit CLineWatch(const std::string& path)
        : watcher([this, path] {
              while (watching) {
                  if (!IsLineHeldOpen(path))
                      letGo = true;
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
              }
          })
    {
    }
    ~CLineWatch() { Stop(); }
    CLineWatch(const CLineWatch&) = delete;
    CLineWatch& operator=(const CLineWatch&) = delete;

    // Ends the watch; true when the line was let go of while it lasted.
    bool Stop()
    {
        watching = false;
        if (watcher.joinable())
            watcher.join();
        return letGo;
    }

private:
    std::atomic<bool> watching{true};
    std::atomic<bool> letGo{false};
    std::thread watcher;
};

// Sends count bytes one at a time with a pause of gap after each, on a
// thread of its own: a telegram arriving slowly, whose read goes on until
// the bytes stop. Joins when destroyed.
class CTrickle {
public:
    CTrickle(int fd, int count, std::chrono::milliseconds gap)
        : sender([fd, count, gap] {
              for (int i = 0; i < count; ++i) {
                  if (::write(fd, "x", 1) < 0 && errno != EINTR)
                      return;
                  std::this_thread::sleep_for(gap);
              }
          })
    {
    }
    ~CTrickle() { sender.join(); }
    CTrickle(const CTrickle&) = delete;
    CTrickle& operator=(const CTrickle&) = delete;

private:
    std::thread sender;
};

class CPseudoTerminal {
public:
    CPseudoTerminal()
    {
        masterFd = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (masterFd < 0)
            throw std::runtime_error(std::string("posix_openpt: ") + std::strerror(errno));
        char name[128] = {};
        if (grantpt(masterFd) != 0 || unlockpt(masterFd) != 0 || ptsname_r(masterFd, name, sizeof name) != 0) {
            const int error = errno;
            CloseMaster();
            throw std::runtime_error(std::string("pseudo-terminal slave: ") + std::strerror(error));
        }
        slavePath = name;
    }
    ~CPseudoTerminal() { CloseMaster(); }
    CPseudoTerminal(const CPseudoTerminal&) = delete;
    CPseudoTerminal& operator=(const CPseudoTerminal&) = delete;

    const std::string& SlavePath() const { return slavePath; }
    int MasterFd() const { return masterFd; }

    bool IsHeldOpen() const { return IsLineHeldOpen(slavePath); }

    // Sends bytes as one burst, as fast as the line takes them.
    void Write(const std::string& bytes) const
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t written = ::write(masterFd, bytes.data() + done, bytes.size() - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                throw std::runtime_error(std::string("write to pseudo-terminal: ") + std::strerror(errno));
            done += static_cast<std::size_t>(written);
        }
    }

    // Sends each burst in turn with a pause of gap between them.
    void WriteBursts(const std::vector<std::string>& bursts, std::chrono::milliseconds gap) const
    {
        for (std::size_t i = 0; i < bursts.size(); ++i) {
            if (i > 0)
                std::this_thread::sleep_for(gap);
            Write(bursts[i]);
        }
    }

    // The positioning system goes away: a reader of the slave sees a hang-up.
    void CloseMaster()
    {
        if (masterFd >= 0)
            ::close(masterFd);
        masterFd = -1;
    }

private:
    int masterFd = -1;
    std::string slavePath;
};
