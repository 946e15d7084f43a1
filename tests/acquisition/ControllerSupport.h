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
#include "tests/support/PseudoTerminal.h"

struct CHandOff {
    std::string text;  // the report as plain text
    std::string raw;
    CTelegramIndex index;
};

class CRecordingReceiver : public CTelegramReceiver {
public:
    void OnTelegramDecoded(const CReportBuilder& report, const std::string& raw,
                           const CTelegramIndex& index) override
    {
        std::lock_guard<std::mutex> lock(guard);
        handOffs.push_back({CRtfReader::PlainText(report.GetDocument()), raw, index});
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

    // Whether a reader holds the line open.
    bool IsHeldOpen() const { return ::IsHeldOpen(line->SlavePath()); }

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
    store.WriteString("Config", "Config(9600,8,N,1)");
    store.WriteInt("Telegram", typeCode);
}

// Polls until done() holds; false on timeout.
template <typename Condition>
bool Eventually(Condition done, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
