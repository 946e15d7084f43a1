#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "decoders/ContentFraming.h"

class CLine;

// Reads a line framed by content: the bytes are read as they come and cut
// by the format's framer, so that a telegram is handed on as soon as its
// last byte is in. Bytes that belong to no telegram are a read of their own;
// a telegram begun and not finished within the receive timeout is handed on
// as it is; a datagram keeps its boundaries and is only parted within.
// Every byte read ends in exactly one read, in order.
class CContentReader {
public:
    using Clock = std::chrono::steady_clock;

    explicit CContentReader(std::unique_ptr<CTelegramFramer> framer);

    // The framer of the format, for a read framed by silence to be looked into.
    const CTelegramFramer& Framer() const { return *framer; }

    // One read of line: true with raw and its receive time (an empty raw
    // when nothing came within the receive timeout), false when mayWait
    // said to stop waiting or InterruptRead ended the wait. A line that has
    // gone throws as its Read does; the bytes held stay held.
    bool Read(CLine& line, std::chrono::milliseconds receiveTimeout, const std::function<bool()>& mayWait,
              std::string& raw, double& receiveTime);

    // Whether a read can be given at once, without reading the line.
    bool HoldsRead() const;
    // Whether bytes are held that are not handed on yet.
    bool HoldsBytes() const { return framing.Buffered() > 0; }
    // The next read of the bytes held, as they are, when no more are to
    // come (the line has gone, or it is now framed by silence).
    bool TakeHeld(std::string& raw, double& receiveTime);
    // The bytes held, taken out (for a reader of another format).
    std::string TakeHeldBytes();
    void Append(const std::string& bytes);

private:
    bool TakeReady(std::string& raw, double& receiveTime);
    std::chrono::milliseconds WaitFor(std::chrono::milliseconds receiveTimeout) const;

    const CTelegramFramer* framer;
    CContentFraming framing;
    bool flushing = false;         // the bytes held go as they are: a datagram, or a begun telegram timed out
    Clock::time_point begun{};     // when the oldest bytes held came, about
    Clock::time_point lastBytes{};
    double arrival = 0.0;          // receive time of the last bytes read
    unsigned char buffer[CContentFraming::kReadLimit] = {};
};
