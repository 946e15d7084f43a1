#include "tools/StopSignal.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

volatile sig_atomic_t stopSignalled = 0;

void OnStopSignal(int)
{
    stopSignalled = 1;
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
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

CStopSignal::~CStopSignal()
{
    if (wakeRead >= 0)
        ::close(wakeRead);
    if (wakeWrite >= 0)
        ::close(wakeWrite);
}

bool CStopSignal::Wait(std::chrono::milliseconds timeout)
{
    if (stopped || stopSignalled)
        return stopped = true;
    // The signals are let through only inside the wait, so none is lost
    // between the check above and the wait.
    sigset_t waitMask;
    pthread_sigmask(SIG_SETMASK, nullptr, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    const timespec wait{static_cast<time_t>(seconds.count()),
                        static_cast<long>(std::chrono::nanoseconds(timeout - seconds).count())};
    pollfd wake{wakeRead, POLLIN, 0};
    const int ready = ppoll(&wake, wakeRead >= 0 ? 1 : 0, &wait, &waitMask);
    if (stopSignalled || (ready > 0 && (wake.revents & POLLIN) != 0))
        stopped = true;
    return stopped;
}

void CStopSignal::Wake()
{
    const char byte = 1;
    if (wakeWrite >= 0)
        (void)!::write(wakeWrite, &byte, 1);
}
