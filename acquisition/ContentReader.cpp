#include "acquisition/ContentReader.h"

#include <algorithm>
#include <limits>

#include "acquisition/Line.h"
#include "acquisition/SerialPort.h"
#include "clock/Tickwarden.h"

namespace {

using namespace std::chrono_literals;

// A line ended by LF alone is handed on after this much quiet, unless a CR
// that belongs to it comes.
constexpr auto kProvisionalQuiet = 10ms;

COMMTIMEOUTS TimeoutsFor(const CLine& line, std::chrono::milliseconds wait)
{
    COMMTIMEOUTS timeouts;
    const auto waitMs = static_cast<std::uint32_t>(std::clamp<long long>(wait.count(), 1, INT32_MAX));
    if (line.Kind() == CLineAddress::Kind::Udp) {
        // A datagram ends its read as it comes.
        timeouts.ReadTotalTimeoutConstant = waitMs;
        return timeouts;
    }
    // A byte stream: back with the first bytes that come, no silence waited for.
    timeouts.ReadIntervalTimeout = std::numeric_limits<std::uint32_t>::max();
    timeouts.ReadTotalTimeoutMultiplier = std::numeric_limits<std::uint32_t>::max();
    timeouts.ReadTotalTimeoutConstant = waitMs;
    return timeouts;
}

} // namespace

CContentReader::CContentReader(std::unique_ptr<CTelegramFramer> telegramFramer)
    : framer(telegramFramer.get()), framing(std::move(telegramFramer))
{
}

bool CContentReader::Read(CLine& line, std::chrono::milliseconds receiveTimeout,
                          const std::function<bool()>& mayWait, std::string& raw, double& receiveTime)
{
    for (;;) {
        if (TakeReady(raw, receiveTime))
            return true;
        if (HoldsBytes() && Clock::now() >= begun + receiveTimeout) {
            flushing = true;  // a telegram begun and not finished in time goes as it is
            continue;
        }
        if (!mayWait())
            return false;
        line.SetTimeouts(TimeoutsFor(line, WaitFor(receiveTimeout)));
        const CLineRead got = line.Read(buffer, sizeof buffer);
        if (got.interrupted)
            return false;
        if (got.count == 0) {
            if (auto read = framing.TakeProvisional()) {
                raw = std::move(*read);
                receiveTime = CTickwarden::GetPCMilliSecs();
                return true;
            }
            if (!HoldsBytes()) {
                // Nothing within the receive timeout: an empty read, as by silence.
                raw.clear();
                receiveTime = got.receiveTime;
                return true;
            }
            continue;
        }
        lastBytes = Clock::now();
        if (!HoldsBytes())
            begun = lastBytes;
        framing.Append(std::string_view(reinterpret_cast<const char*>(buffer), got.count));
        arrival = got.receiveTime;
        // A datagram is parted once it is all in: its pieces follow at once.
        flushing = flushing || (line.Kind() == CLineAddress::Kind::Udp && !got.datagramGoesOn);
    }
}

bool CContentReader::HoldsRead() const
{
    return (flushing && HoldsBytes()) || framing.HoldsRead();
}

bool CContentReader::TakeHeld(std::string& raw, double& receiveTime)
{
    flushing = true;
    return TakeReady(raw, receiveTime);
}

std::string CContentReader::TakeHeldBytes()
{
    std::string bytes;
    while (auto read = framing.TakeRest())
        bytes += *read;
    flushing = false;
    return bytes;
}

void CContentReader::Append(const std::string& bytes)
{
    if (bytes.empty())
        return;
    lastBytes = Clock::now();
    if (!HoldsBytes())
        begun = lastBytes;
    framing.Append(bytes);
}

bool CContentReader::TakeReady(std::string& raw, double& receiveTime)
{
    std::optional<std::string> read = flushing ? framing.TakeRest() : framing.TakeRead();
    flushing = flushing && HoldsBytes();
    if (!read)
        return false;
    raw = std::move(*read);
    receiveTime = arrival;  // its last byte came with the last bytes read
    // What is left came with the last bytes read, at the latest.
    if (HoldsBytes())
        begun = std::max(begun, lastBytes);
    return true;
}

std::chrono::milliseconds CContentReader::WaitFor(std::chrono::milliseconds receiveTimeout) const
{
    if (!HoldsBytes())
        return receiveTimeout;
    auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(begun + receiveTimeout - Clock::now());
    if (framing.HoldsProvisional())
        wait = std::min<std::chrono::milliseconds>(wait, kProvisionalQuiet);
    return std::max(wait, std::chrono::milliseconds(1));
}
