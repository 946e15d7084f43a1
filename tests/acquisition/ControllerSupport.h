#pragma once
// The controller on a pseudo-terminal: a receiver that records every
// hand-off, and a line mapped to a COM number of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "acquisition/MemorySettingsStore.h"
#include "acquisition/PortMap.h"
#include "acquisition/TelegramDecoder.h"
#include "acquisition/TelegramReceiver.h"
#include "report/RtfReader.h"
#include "tests/support/Eventually.h"
#include "tests/support/PseudoTerminal.h"

// A type code without a decoder: every read is handed over as it is, with
// an empty report.
inline constexpr int kNoDecoder = 5;
// The frame the tests' lines are opened with.
inline const std::string kConfig = "Config(9600,8,N,1)";

struct CHandOff {
    std::string text;  // the report as plain text
    std::string raw;
    CTelegramIndex index;
    CTelegramRecord record;
    bool holdsSeveralTelegrams = false;
};

// What the line events told so far come to, as a user would see it.
struct CToldFault {
    std::string portName;
    std::string linePath;
    std::string reason;  // "" while the line is read
    bool lost = false;
    std::uint64_t dropped = 0;  // datagrams since the line was chosen
};

inline const char* KindName(CLineEvent::Kind kind)
{
    switch (kind) {
    case CLineEvent::Kind::Refused: return "refused";
    case CLineEvent::Kind::Lost: return "lost";
    case CLineEvent::Kind::Reconnecting: return "reconnecting";
    case CLineEvent::Kind::Back: return "back";
    case CLineEvent::Kind::Replaced: return "replaced";
    case CLineEvent::Kind::DroppedBySystem: return "dropped";
    case CLineEvent::Kind::ClosedByUser: return "closed by the user";
    }
    return "?";
}

class CRecordingReceiver : public CTelegramReceiver {
public:
    void OnTelegramDecoded(const CSharedTelegram& telegram) override
    {
        std::lock_guard<std::mutex> lock(guard);
        handOffs.push_back({CRtfReader::PlainText(telegram->report), telegram->raw, telegram->index, telegram->record,
                            telegram->holdsSeveralTelegrams});
        order.push_back("telegram " + telegram->raw);
        changed.notify_all();
    }

    void OnLineEvent(const CLineEvent& event) override
    {
        std::lock_guard<std::mutex> lock(guard);
        switch (event.kind) {
        case CLineEvent::Kind::Refused:
        case CLineEvent::Kind::Lost:
        case CLineEvent::Kind::ClosedByUser:
            fault = {event.portName, event.linePath, event.reason, event.kind == CLineEvent::Kind::Lost, fault.dropped};
            break;
        case CLineEvent::Kind::Back: fault = {"", "", "", false, fault.dropped}; break;
        case CLineEvent::Kind::Replaced: fault = {}; break;
        case CLineEvent::Kind::DroppedBySystem: fault.dropped += event.count; break;
        case CLineEvent::Kind::Reconnecting: break;
        }
        order.push_back(KindName(event.kind));
        changed.notify_all();
    }

    void OnLogWriteError(const std::string& reason) override
    {
        std::lock_guard<std::mutex> lock(guard);
        logErrors.push_back(reason);
        changed.notify_all();
    }

    // Waits until at least count hand-offs have arrived; false on timeout.
    bool WaitFor(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock<std::mutex> lock(guard);
        return changed.wait_for(lock, timeout, [&] { return handOffs.size() >= count; });
    }

    bool WaitForLogError(std::chrono::milliseconds timeout = std::chrono::seconds(10))
    {
        std::unique_lock<std::mutex> lock(guard);
        return changed.wait_for(lock, timeout, [&] { return !logErrors.empty(); });
    }

    std::vector<CHandOff> HandOffs()
    {
        std::lock_guard<std::mutex> lock(guard);
        return handOffs;
    }

    std::size_t Count()
    {
        std::lock_guard<std::mutex> lock(guard);
        return handOffs.size();
    }

    std::vector<std::string> LogErrors()
    {
        std::lock_guard<std::mutex> lock(guard);
        return logErrors;
    }

    CToldFault Fault()
    {
        std::lock_guard<std::mutex> lock(guard);
        return fault;
    }

    // Telegrams ("telegram RAW") and line events (their kind), as they came.
    std::vector<std::string> Order()
    {
        std::lock_guard<std::mutex> lock(guard);
        return order;
    }

private:
    std::mutex guard;
    std::condition_variable changed;
    std::vector<CHandOff> handOffs;
    std::vector<std::string> logErrors;
    CToldFault fault;
    std::vector<std::string> order;
};

// A pseudo-terminal that the controller reads as port COM<number>.
class CMappedLine {
public:
    explicit CMappedLine(int portNumber) : number(portNumber), line(std::make_unique<CPseudoTerminal>())
    {
        CPortMap::SetOverride(number, line->SlavePath());
    }
    ~CMappedLine() { CPortMap::ClearOverride(number); }

    std::string PortName() const { return "COM" + std::to_string(number); }
    CPseudoTerminal& Line() { return *line; }

    bool IsHeldOpen() const { return line->IsHeldOpen(); }

    // The positioning system goes away, and later comes back on a new line.
    // Its device node goes with it, as an unplugged adapter's does; the
    // number of a closed pseudo-terminal may soon name someone else's.
    void HangUp()
    {
        CPortMap::SetOverride(number, "/nonexistent/vantrel-unplugged");
        line->CloseMaster();
    }
    void Replace()
    {
        line = std::make_unique<CPseudoTerminal>();
        CPortMap::SetOverride(number, line->SlavePath());
    }

private:
    int number;
    std::unique_ptr<CPseudoTerminal> line;
};

// Settings for a controller that reads the given line.
inline void StoreLineSettings(CMemorySettingsStore& store, const CMappedLine& line, int typeCode)
{
    store.WriteString("Port", line.PortName());
    store.WriteString("Config", kConfig);
    store.WriteInt("Telegram", typeCode);
}
