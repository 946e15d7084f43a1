#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

// Writes texts to one file descriptor (standard output or standard error)
// from a thread of its own, so that whoever hands a text over never waits
// for the terminal: a terminal paused with Ctrl-S or a pipe nobody reads
// holds up this thread only. A text offered while `capacity` others still
// wait is left out; how many were left out is written in their place,
// before the next text that gets through.
//
// Start it while the stop signals are held back (after CStopSignal), so that
// its thread never takes them.
class CTerminalWriter {
public:
    using Clock = std::chrono::steady_clock;
    // The text written in place of n texts left out.
    using GapNote = std::function<std::string(std::uint64_t n)>;
    // Called once, on the writer's thread, with errno when a write failed;
    // nothing more is written then. Not called once Close has been.
    using FailureHandler = std::function<void(int error)>;

    CTerminalWriter(int fd, std::size_t capacity, GapNote gapNote, FailureHandler onFailure = {});
    // Closes; a thread still held up in a write is left to end with the process.
    ~CTerminalWriter();
    CTerminalWriter(const CTerminalWriter&) = delete;
    CTerminalWriter& operator=(const CTerminalWriter&) = delete;

    // Never waits for the terminal. False when the text was left out.
    // A text that must not be left out (the last of a run) may wait beyond
    // the capacity.
    enum class WhenFull { LeaveOut, Wait };
    bool Offer(std::string text, WhenFull whenFull = WhenFull::LeaveOut);

    // True when, before `until`, every text offered was written or left out
    // (or writing failed).
    bool WaitWritten(Clock::time_point until);

    // Stops writing: texts still waiting are dropped. Returns how many texts
    // were offered and neither written whole nor told as left out (a text
    // the terminal is still holding up counts among them).
    std::uint64_t Close();

    // After Close: true when the thread has ended before `until` (it is
    // then joined); false while the terminal still holds up its write.
    bool WaitEnded(Clock::time_point until);

private:
    struct State;
    static void Run(std::shared_ptr<State> state, int fd, GapNote gapNote, FailureHandler onFailure);

    std::shared_ptr<State> state;  // shared with the thread, which may outlive this object
    std::thread thread;
};
