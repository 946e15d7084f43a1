#include "simulation/TelegramSimulator.h"

#include <algorithm>

#include "decoders/TelegramGenerator.h"
#include "simulation/LineWriter.h"

namespace {
using Clock = std::chrono::steady_clock;
} // namespace

CTelegramSimulator::CTelegramSimulator(int lineFd, const CSimulationOptions& simulation)
    : CTelegramSimulator(std::make_unique<CLineWriter>(lineFd), simulation)
{
}

CTelegramSimulator::CTelegramSimulator(std::unique_ptr<CTelegramSink> telegramSink, const CSimulationOptions& simulation)
    : sink(std::move(telegramSink)), options(simulation), generator(CTelegramGenerator::Create(simulation.typeCode))
{
    options.errorFraction = std::clamp(options.errorFraction, 0.0, 1.0);
}

CTelegramSimulator::~CTelegramSimulator()
{
    Stop();
}

void CTelegramSimulator::Start()
{
    if (!worker.joinable())
        worker = std::thread(&CTelegramSimulator::Run, this);
}

void CTelegramSimulator::Stop()
{
    {
        std::lock_guard<std::mutex> lock(stateGuard);
        stopRequested = true;
    }
    stateChanged.notify_all();
    if (worker.joinable())
        worker.join();
}

bool CTelegramSimulator::WaitFinished(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(stateGuard);
    return stateChanged.wait_for(lock, timeout, [this] { return finished; });
}

void CTelegramSimulator::SetTelegramType(int typeCode)
{
    std::unique_ptr<CTelegramGenerator> replacement = CTelegramGenerator::Create(typeCode);
    std::lock_guard<std::mutex> lock(generatorGuard);
    generator = std::move(replacement);
}

std::string CTelegramSimulator::GetWriteError() const
{
    std::lock_guard<std::mutex> lock(stateGuard);
    return writeError;
}

std::string CTelegramSimulator::SpoilTelegram(const std::string& telegram, Spoil how)
{
    std::string bytes = telegram;
    if (bytes.empty())
        return bytes;
    switch (how) {
    case Spoil::WrongChecksum:
        bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x01);
        break;
    case Spoil::CutShort:
        bytes.resize(std::min(bytes.size() - 1, bytes.size() * 2 / 3));
        break;
    case Spoil::WrongEndByte:
        bytes.back() = static_cast<char>(~bytes.back());
        break;
    case Spoil::None:
        break;
    }
    return bytes;
}

CTelegramSimulator::Spoil CTelegramSimulator::NextSpoil()
{
    // The share is kept exactly over any run of telegrams, the kinds taking turns.
    spoilCredit += options.errorFraction;
    if (spoilCredit < 1.0 - 1e-9)
        return Spoil::None;
    spoilCredit -= 1.0;
    static const Spoil kKinds[] = {Spoil::WrongChecksum, Spoil::CutShort, Spoil::WrongEndByte};
    return kKinds[spoiled++ % 3];
}

std::string CTelegramSimulator::NextTelegram()
{
    std::lock_guard<std::mutex> lock(generatorGuard);
    return generator ? generator->Next() : std::string();
}

void CTelegramSimulator::Run()
{
    const CTelegramSink::StopRequested stopping = [this] { return IsStopRequested(); };
    if (!sink->WaitUntilReady(stopping))
        return;
    const auto period = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / std::max(options.rate, 1e-3)));
    auto next = Clock::now();
    while (options.count == 0 || sent < options.count) {
        if (!SleepUntil(next))
            break;
        std::uint64_t telegrams = 0;
        const std::string bytes = NextBurst(telegrams);
        if (!bytes.empty()) {
            std::string error;
            if (!SendWrite(bytes, stopping, error)) {
                if (!error.empty())
                    Finish(error);
                return;
            }
            sent += telegrams;
        }
        next += period;
        // A line that could not take the telegrams in time does not get a burst of catching up.
        next = std::max(next, Clock::now() - period);
    }
    Finish("");
}

std::string CTelegramSimulator::NextBurst(std::uint64_t& telegrams)
{
    std::string bytes;
    telegrams = 0;
    const int burst = std::max(options.burst, 1);
    for (int i = 0; i < burst && (options.count == 0 || sent + telegrams < options.count); ++i) {
        const std::string telegram = NextTelegram();
        if (telegram.empty())
            break;
        bytes += SpoilTelegram(telegram, NextSpoil());
        ++telegrams;
    }
    return bytes;
}

bool CTelegramSimulator::SendWrite(const std::string& bytes, const CTelegramSink::StopRequested& stopping,
                                   std::string& error)
{
    if (!options.split || bytes.size() < 2)
        return sink->Send(bytes, stopping, error);
    // Pieces of one byte up to half the write, a few milliseconds apart:
    // well within the silence that would end a read.
    std::uniform_int_distribution<std::size_t> pieceSize(1, std::max<std::size_t>(bytes.size() / 2, 1));
    std::uniform_int_distribution<int> pauseMs(1, 5);
    for (std::size_t at = 0; at < bytes.size();) {
        if (at > 0 && !SleepUntil(Clock::now() + std::chrono::milliseconds(pauseMs(pieces))))
            return false;
        const std::size_t length = std::min(pieceSize(pieces), bytes.size() - at);
        if (!sink->Send(bytes.substr(at, length), stopping, error))
            return false;
        at += length;
    }
    return true;
}

bool CTelegramSimulator::SleepUntil(Clock::time_point when)
{
    std::unique_lock<std::mutex> lock(stateGuard);
    return !stateChanged.wait_until(lock, when, [this] { return stopRequested; });
}

bool CTelegramSimulator::IsStopRequested() const
{
    std::lock_guard<std::mutex> lock(stateGuard);
    return stopRequested;
}

void CTelegramSimulator::Finish(const std::string& error)
{
    {
        std::lock_guard<std::mutex> lock(stateGuard);
        finished = true;
        writeError = error;
    }
    stateChanged.notify_all();
}
