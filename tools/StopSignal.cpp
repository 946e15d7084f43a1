#include "tools/StopSignal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

volatile sig_atomic_t firstSignal = 0;
volatile sig_atomic_t wakeFd = -1;

void OnStopSignal(int number)
{
    if (firstSignal != 0)
        _exit(128 + number);  // the second: the user will not wait for a clean stop
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
    pollfd wake{wakeRead, POLLIN, 0};
    const auto ms = std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX);
    const int ready = ::poll(&wake, wakeRead >= 0 ? 1 : 0, static_cast<int>(ms));
    if (firstSignal != 0 || (ready > 0 && (wake.revents & POLLIN) != 0))
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
