#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>

#include "simulation/TelegramSink.h"

class CTelegramGenerator;

struct CSimulationOptions {
    int typeCode = 6;
    double rate = 1.0;           // telegrams per second
    std::uint64_t count = 0;     // 0: until stopped
    double errorFraction = 0.0;  // share of telegrams deliberately spoiled, 0 to 1
    int burst = 1;               // telegrams written back to back in one write per cycle
    bool split = false;          // each write in random pieces with short pauses between
};

// Plays the positioning system: sends generated telegrams to a sink (a
// line, each telegram one burst followed by silence; a UDP peer; TCP
// clients) at a steady rate, on a thread of its own. A chosen share of them
// is spoiled in turn (a flipped bit in the middle, so the checksum fails;
// cut short; a wrong end byte). It never reads. A type without a format
// keeps the line silent. Several telegrams of a cycle may go back to back
// in one write (as a system sends the replies of several transponders), and
// a write may go in random pieces (as a device server forwards segments).
class CTelegramSimulator {
public:
    enum class Spoil { None, WrongChecksum, CutShort, WrongEndByte };

    // Writes to the line fd, which is not owned (see CLineWriter).
    CTelegramSimulator(int fd, const CSimulationOptions& options);
    CTelegramSimulator(std::unique_ptr<CTelegramSink> sink, const CSimulationOptions& options);
    ~CTelegramSimulator();
    CTelegramSimulator(const CTelegramSimulator&) = delete;
    CTelegramSimulator& operator=(const CTelegramSimulator&) = delete;

    void Start();
    void Stop();
    // Waits until the count has been sent or sending failed; false on timeout.
    bool WaitFinished(std::chrono::milliseconds timeout);

    void SetTelegramType(int typeCode);

    std::uint64_t SentCount() const { return sent; }
    std::uint64_t SpoiledCount() const { return spoiled; }
    // Why sending stopped ("" while it goes on).
    std::string GetWriteError() const;

    static std::string SpoilTelegram(const std::string& telegram, Spoil how);

private:
    void Run();
    // The telegrams of one cycle, back to back, and how many they are.
    std::string NextBurst(std::uint64_t& telegrams);
    // Sends bytes whole, or in random pieces with short pauses when splitting.
    bool SendWrite(const std::string& bytes, const CTelegramSink::StopRequested& stopping, std::string& error);
    std::string NextTelegram();
    Spoil NextSpoil();
    bool SleepUntil(std::chrono::steady_clock::time_point when);
    bool IsStopRequested() const;
    void Finish(const std::string& error);

    std::unique_ptr<CTelegramSink> sink;
    CSimulationOptions options;
    std::mutex generatorGuard;
    std::unique_ptr<CTelegramGenerator> generator;
    double spoilCredit = 0.0;
    std::mt19937 pieces{std::random_device{}()};

    std::atomic<std::uint64_t> sent{0};
    std::atomic<std::uint64_t> spoiled{0};

    mutable std::mutex stateGuard;
    std::condition_variable stateChanged;
    bool stopRequested = false;
    bool finished = false;
    std::string writeError;
    std::thread worker;
};
