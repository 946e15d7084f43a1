#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CTelegramGenerator;

struct CSimulationOptions {
    int typeCode = 6;
    double rate = 1.0;           // telegrams per second
    std::uint64_t count = 0;     // 0: until stopped
    double errorFraction = 0.0;  // share of telegrams deliberately spoiled, 0 to 1
};

// Plays the positioning system: writes generated telegrams to a line, each
// as one burst followed by silence, at a steady rate, on a thread of its
// own. A chosen share of them is spoiled in turn (a flipped bit in the
// middle, so the checksum fails; cut short; a wrong end byte). It never
// reads. A type without a format keeps the line silent.
class CTelegramSimulator {
public:
    enum class Spoil { None, WrongChecksum, CutShort, WrongEndByte };

    // fd is not owned; its writes are made non-blocking so that a line
    // nobody drains cannot hold up Stop.
    CTelegramSimulator(int fd, const CSimulationOptions& options);
    ~CTelegramSimulator();
    CTelegramSimulator(const CTelegramSimulator&) = delete;
    CTelegramSimulator& operator=(const CTelegramSimulator&) = delete;

    void Start();
    void Stop();
    // Waits until the count has been sent or a write failed; false on timeout.
    bool WaitFinished(std::chrono::milliseconds timeout);

    void SetTelegramType(int typeCode);

    std::uint64_t SentCount() const { return sent; }
    std::uint64_t SpoiledCount() const { return spoiled; }
    // Why writing stopped ("" while it goes on).
    std::string GetWriteError() const;

    static std::string SpoilTelegram(const std::string& telegram, Spoil how);

private:
    void Run();
    std::string NextTelegram();
    Spoil NextSpoil();
    bool WriteBurst(const std::string& bytes);
    bool SleepUntil(std::chrono::steady_clock::time_point when);
    void Finish(const std::string& error);

    int fd;
    CSimulationOptions options;
    std::mutex generatorGuard;
    std::unique_ptr<CTelegramGenerator> generator;
    double spoilCredit = 0.0;

    std::atomic<std::uint64_t> sent{0};
    std::atomic<std::uint64_t> spoiled{0};

    mutable std::mutex stateGuard;
    std::condition_variable stateChanged;
    bool stopRequested = false;
    bool finished = false;
    std::string writeError;
    std::thread worker;
};
