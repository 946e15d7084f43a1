#pragma once
#include <chrono>

// Ctrl-C (SIGINT) and SIGTERM as a request to stop cleanly. Construct it
// before any thread is started: the signals are then held back from every
// thread and arrive only while the main thread waits here. Another thread
// can end the wait with Wake.
class CStopSignal {
public:
    CStopSignal();
    ~CStopSignal();
    CStopSignal(const CStopSignal&) = delete;
    CStopSignal& operator=(const CStopSignal&) = delete;

    // True when a signal came or Wake was called (now or before); false
    // when the timeout passed first.
    bool Wait(std::chrono::milliseconds timeout);
    void Wake();

private:
    int wakeRead = -1;
    int wakeWrite = -1;
    bool stopped = false;
};
