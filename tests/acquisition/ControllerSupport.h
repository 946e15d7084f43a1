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
};

class CRecordingReceiver : public CTelegramReceiver {
public:
    void OnTelegramDecoded(const CSharedTelegram& telegram) override
    {
        std::lock_guard<std::mutex> lock(guard);
        handOffs.push_back({CRtfReader::PlainText(telegram->report), telegram->raw, telegram->index, telegram->record});
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

private:
    std::mutex guard;
    std::condition_variable changed;
    std::vector<CHandOff> handOffs;
    std::vector<std::string> logErrors;
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
