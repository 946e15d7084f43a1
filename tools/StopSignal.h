#pragma once
#include <chrono>

// Ctrl-C (SIGINT), SIGTERM and SIGHUP (the terminal or the ssh session
// went away) as a request to stop cleanly, and a second request as the
// demand to stop at once; signals within half a second of the first are
// part of the first request (one Ctrl-C under timeout arrives twice).
// Construct one, before any thread is
// started: the signals are then held back from every thread the program
// starts, and the main thread takes them from its first Wait on. From then
// on a signal also cuts short what the main thread waits for in the system
// (a write to a paused terminal, say), and a signal half a second or more
// after the first ends the process at once with status 128 + its number,
// whatever the program waits for.
class CStopSignal {
public:
    CStopSignal();
    ~CStopSignal();
    CStopSignal(const CStopSignal&) = delete;
    CStopSignal& operator=(const CStopSignal&) = delete;

    // True when a signal came or Wake was called (now or before); false
    // when the timeout passed first.
    bool Wait(std::chrono::milliseconds timeout);
    // Ends a Wait from another thread, as a signal would.
    void Wake();
    // True when a signal came (not only Wake).
    bool Signalled() const;

    // From now on the reader of fd going away (the pipe `| head` read)
    // ends a Wait too, as a request to stop; ReaderGone then says so.
    void StopWhenReaderGoes(int fd) { watchedOutput = fd; }
    bool ReaderGone() const { return readerGone; }

private:
    int wakeRead = -1;
    int wakeWrite = -1;
    int watchedOutput = -1;
    bool stopped = false;
    bool readerGone = false;
};
