#pragma once
#include <atomic>
#include <cstdint>
#include <cstdio>

#include "acquisition/TelegramReceiver.h"

class CStopSignal;

// Prints every telegram the controller hands over as the report's plain
// text followed by an empty line, and asks the main thread to stop once
// the wanted number of telegrams has been shown.
class CTerminalReceiver : public CTelegramReceiver {
public:
    // limit 0: no limit.
    CTerminalReceiver(std::FILE* out, std::uint64_t limit, CStopSignal& stop);

    void OnTelegramDecoded(const CReportBuilder& report, const std::string& raw,
                           const CTelegramIndex& index, const CTelegramRecord& record) override;
    void OnLogWriteError(const std::string& reason) override;

    bool HadLogWriteError() const { return logWriteFailed; }

private:
    std::FILE* out;
    std::uint64_t limit;
    CStopSignal& stop;
    std::atomic<std::uint64_t> shown{0};
    std::atomic<bool> logWriteFailed{false};
};
