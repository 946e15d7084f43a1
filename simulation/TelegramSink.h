#pragma once
#include <functional>
#include <string>

// Where the simulator's telegrams go: a serial line or pseudo-terminal,
// a UDP peer, the clients of a TCP port. The simulator paces, spoils and
// counts; a sink only delivers one telegram at a time.
class CTelegramSink {
public:
    // True once the simulator has been asked to stop: a sink that waits
    // looks at it at least every kStopCheckMs.
    using StopRequested = std::function<bool()>;
    static constexpr int kStopCheckMs = 100;

    virtual ~CTelegramSink() = default;

    // Waits until telegrams may start to flow (the rate clock starts then);
    // false when stopped first.
    virtual bool WaitUntilReady(const StopRequested&) { return true; }

    // Delivers one telegram whole. True when it went out; false when
    // stopped first (error left empty) or when the sink cannot go on
    // (error says why).
    virtual bool Send(const std::string& telegram, const StopRequested& stopRequested, std::string& error) = 0;

protected:
    // Waits for room to write on fd, for at most kStopCheckMs; false when
    // stopped.
    static bool WaitForRoom(int fd, const StopRequested& stopRequested);
};
