#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "acquisition/CommSettings.h"
#include "acquisition/LineAddress.h"

struct COMMTIMEOUTS;

// What one read of a line gave.
struct CLineRead {
    std::size_t count = 0;     // bytes of the telegram; 0 when none came within the timeout
    bool interrupted = false;  // InterruptRead ended the read before it had bytes
    double receiveTime = 0.0;  // when the telegram was complete, in Tickwarden milliseconds
    bool datagramGoesOn = false;  // more of the same datagram follows (one longer than the read)
};

// A line the controller listens to, whatever carries it: a serial port, UDP
// datagrams, a TCP stream. The controller opens the one the port map names,
// reads one telegram per read and never writes to it.
//
// Failures throw CSerialException with the system's error number and, where
// that would not say what went wrong, a reason of its own.
class CLine {
public:
    virtual ~CLine() = default;

    // A closed line of that kind.
    static std::unique_ptr<CLine> Create(CLineAddress::Kind kind);

    virtual CLineAddress::Kind Kind() const = 0;

    // Opens the line at address (of this line's kind); the frame applies to
    // a serial port only. Throws when it cannot be opened; returns with the
    // line still closed when InterruptRead ended the opening.
    virtual void Open(const CLineAddress& address, const CSerialFrame& frame) = 0;
    virtual void Close() = 0;  // safe on a closed line, never throws
    virtual bool IsOpen() const = 0;

    // How a read ends: on a byte stream as the serial port's timeouts say;
    // datagrams end a read as they come, within the same total timeout.
    virtual void SetTimeouts(const COMMTIMEOUTS& timeouts) = 0;

    // One telegram of at most count bytes into buffer. A line that has gone
    // (unplugged, hung up, connection dropped) throws; the controller then
    // closes it and opens it again later.
    virtual CLineRead Read(unsigned char* buffer, std::size_t count) = 0;

    // From any thread: ends the current or next read that has no byte yet,
    // or an opening that waits for the network. ClearInterrupt takes the
    // request back.
    virtual void InterruptRead() = 0;
    virtual void ClearInterrupt() = 0;

    // Whether the telegrams of the selected format are lines of text. A
    // datagram is then cut after every line end; a byte stream is framed by
    // silence whatever the format, and ignores this.
    virtual void SetLineBasedFormat(bool lineBased) { (void)lineBased; }

    // Whether another telegram can be read at once: a datagram that came
    // while the last one was handled. The reader then reads it before it
    // pauses; a byte stream says false, its next read gathers what waits.
    virtual bool IsTelegramWaiting() { return false; }

    // Datagrams the system dropped since the line was opened, because they
    // came faster than they were read and its receive buffer was full; 0
    // for a line that loses nothing this way.
    virtual std::uint64_t DroppedBySystem() const { return 0; }

    // After an opening: "" when the line took the frame asked for, else what
    // it kept instead, for the user (a pseudo-terminal keeps its own).
    virtual std::string FrameKept() const { return {}; }

    // The device path or URL last opened, or tried, as the user is told it.
    virtual std::string Name() const = 0;

    // How long after a failed opening the next one waits: a serial port is
    // tried again at once, a network line about once a second.
    virtual std::chrono::milliseconds RetryInterval() const { return std::chrono::milliseconds(0); }
};
