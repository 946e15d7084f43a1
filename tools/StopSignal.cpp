#include "tools/StopSignal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <time.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>

namespace {

// One Ctrl-C often arrives twice: the terminal sends it to every process of
// the foreground job, and a wrapper such as timeout passes its own on.
// Signals this soon after the first are that same request.
constexpr std::int64_t kSameRequestMs = 500;

volatile sig_atomic_t firstSignal = 0;
volatile sig_atomic_t wakeFd = -1;
std::atomic<std::int64_t> firstSignalMs{0};
static_assert(std::atomic<std::int64_t>::is_always_lock_free, "read and written in a signal handler");

std::int64_t MonotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);  // safe in a signal handler
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

void OnStopSignal(int number)
{
    const std::int64_t now = MonotonicMs();
    if (firstSignal != 0) {
        if (now - firstSignalMs.load() < kSameRequestMs)
            return;
        _exit(128 + number);  // a request of its own: the user will not wait for a clean stop
    }
    firstSignalMs.store(now);
    firstSignal = number;
    const int savedErrno = errno;
    const char byte = 1;
    if (wakeFd >= 0)
        (void)!::write(wakeFd, &byte, 1);
    errno = savedErrno;
}

sigset_t StopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);  // the terminal or the ssh session went away
    return signals;
}

} // namespace

CStopSignal::CStopSignal()
{
    int fds[2] = {-1, -1};
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead = fds[0];
        wakeWrite = fds[1];
    }
    wakeFd = wakeWrite;
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    // No SA_RESTART: a signal ends a system call the main thread waits in.
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_mask = signals;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

CStopSignal::~CStopSignal()
{
    wakeFd = -1;
    if (wakeRead >= 0)
        ::close(wakeRead);
    if (wakeWrite >= 0)
        ::close(wakeWrite);
}

bool CStopSignal::Wait(std::chrono::milliseconds timeout)
{
    // Every thread there is was started with the signals held back; from
    // here on this one takes them. The handler writes to the wake pipe, so
    // a signal between the check and the poll is not missed.
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    if (stopped || firstSignal != 0)
        return stopped = true;
    // The writing end of a pipe reports an error once nobody can read it.
    pollfd watched[2] = {{wakeRead, POLLIN, 0}, {watchedOutput, 0, 0}};
    const auto ms = std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX);
    const int ready = ::poll(watched, 2, static_cast<int>(ms));
    readerGone = ready > 0 && (watched[1].revents & (POLLERR | POLLHUP)) != 0;
    if (firstSignal != 0 || readerGone || (ready > 0 && (watched[0].revents & POLLIN) != 0))
        stopped = true;
    return stopped;
}

void CStopSignal::Wake()
{
    const char byte = 1;
    if (wakeWrite >= 0)
        (void)!::write(wakeWrite, &byte, 1);
}

bool CStopSignal::Signalled() const
{
    return firstSignal != 0;
}
