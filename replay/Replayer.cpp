#include "replay/Replayer.h"

#include <chrono>
#include <utility>

#include "acquisition/DecodedTelegram.h"
#include "acquisition/TelegramReceiver.h"
#include "clock/Tickwarden.h"
#include "decoders/FormatDecoder.h"
#include "decoders/FormatTable.h"

CReplayer::CReplayer(CReplaySession replaySession, int typeCode, CTelegramReceiver& telegramReceiver,
                     CReplayListener* replayListener)
    : session(std::move(replaySession)), decoder(CFormatTable::Create(typeCode)), receiver(telegramReceiver),
      listener(replayListener)
{
}

CReplayer::~CReplayer()
{
    Stop();
    if (thread.joinable())
        thread.join();
    if (decoder)
        decoder->CloseLogs();
}

CLogOpenResult CReplayer::LogTo(const std::string& csvPath, CLogFiles::Mode mode)
{
    if (!decoder)
        return {};
    return decoder->OpenLogs(csvPath, mode);
}

void CReplayer::UseIndex(std::shared_ptr<const CSessionIndex> index)
{
    std::lock_guard lock(mutex);
    sessionIndex = std::move(index);
}

void CReplayer::Limit(std::optional<std::int64_t> from, std::optional<std::int64_t> to)
{
    std::lock_guard lock(mutex);
    toUtcMs = to;
    if (from) {
        seekRequested = true;
        seekUtcMs = *from;
    }
}

void CReplayer::StartThread()
{
    if (!thread.joinable() && !threadEnded)
        thread = std::thread(&CReplayer::Run, this);
}

void CReplayer::Play()
{
    std::lock_guard lock(mutex);
    if (state == State::Ended)
        return;
    state = State::Playing;
    anchored = false;
    StartThread();
    wake.notify_all();
}

void CReplayer::Pause()
{
    std::lock_guard lock(mutex);
    if (state == State::Playing)
        state = State::Paused;
    wake.notify_all();
}

void CReplayer::Step()
{
    std::lock_guard lock(mutex);
    if (state == State::Ended)
        return;
    state = State::Paused;
    stepRequested = true;
    StartThread();
    wake.notify_all();
}

void CReplayer::SetSpeed(double factor)
{
    std::lock_guard lock(mutex);
    if (anchored && speed > 0.0 && factor > 0.0) {
        // The recorded time reached so far stays where it is; from there on the new pace.
        const double now = CTickwarden::GetPCMilliSecs();
        anchorUtcMs += static_cast<std::int64_t>((now - anchorSteadyMs) * speed);
        anchorSteadyMs = now;
    } else {
        anchored = false;
    }
    speed = factor;
    wake.notify_all();
}

void CReplayer::Seek(std::int64_t utcMs)
{
    std::lock_guard lock(mutex);
    if (stopRequested)
        return;
    if (state == State::Ended)
        state = State::Paused;
    seekRequested = true;
    seekUtcMs = utcMs;
    StartThread();
    wake.notify_all();
}

void CReplayer::Stop()
{
    std::lock_guard lock(mutex);
    stopRequested = true;
    wake.notify_all();
    if (!thread.joinable())
        state = State::Ended;
}

CReplayer::State CReplayer::GetState() const
{
    std::lock_guard lock(mutex);
    return state;
}

std::optional<CWallTime> CReplayer::Position() const
{
    std::lock_guard lock(mutex);
    return position;
}

std::uint64_t CReplayer::HandedOver() const
{
    std::lock_guard lock(mutex);
    return handedOver;
}

void CReplayer::WaitUntilEnded()
{
    std::unique_lock lock(mutex);
    ended.wait(lock, [this] { return state == State::Ended || threadEnded; });
}

void CReplayer::Tell(const CReplayMessage& message)
{
    if (listener)
        listener->OnReplayMessage(message);
}

std::optional<CRecordedRead> CReplayer::NextRead()
{
    const CReplaySession::MessageSink messages = [this](const CReplayMessage& message) { Tell(message); };
    std::optional<CRecordedRead> read = session.Next(messages);
    if (read && toUtcMs && read->time.utcMilliseconds >= *toUtcMs)
        return std::nullopt;
    return read;
}

void CReplayer::SeekNow(std::int64_t utcMs)
{
    const CReplaySession::MessageSink messages = [this](const CReplayMessage& message) { Tell(message); };
    std::shared_ptr<const CSessionIndex> index;
    {
        std::lock_guard lock(mutex);
        index = sessionIndex;
    }
    pending.reset();
    if (index && !index->Empty())
        session.SeekTo(index->EntryFor(utcMs).mark);
    else
        session.Rewind();
    // Read on, handing nothing over, to the first read at or after the time.
    const CReplaySession::MessageSink silent = [](const CReplayMessage&) {};
    while (std::optional<CRecordedRead> read = session.Next(index ? silent : messages)) {
        if (read->time.utcMilliseconds >= utcMs) {
            // Past the end of the stretch to play: nothing more plays.
            if (!toUtcMs || read->time.utcMilliseconds < *toUtcMs)
                pending = std::move(read);
            break;
        }
    }
    endTold = false;
    const CWallTime at = pending ? pending->time : CWallTime::InLocalZone(utcMs);
    {
        std::lock_guard lock(mutex);
        position = at;
        anchored = false;
    }
    if (listener) {
        listener->OnReplaySeek(at);
        listener->OnReplayPosition(at);
    }
}

void CReplayer::HandOver(const CRecordedRead& read)
{
    if (decoder && read.number)
        decoder->SetCount(*read.number - 1);
    CSharedTelegram telegram = DecodeRecordedRead(decoder.get(), read.raw, read.time);
    {
        std::lock_guard lock(mutex);
        position = read.time;
        ++handedOver;
    }
    receiver.OnTelegramDecoded(telegram);
    if (decoder && decoder->HasLogWriteError() && !logFailureTold) {
        logFailureTold = true;
        const std::string reason = decoder->GetLogWriteError();
        decoder->CloseLogs();
        receiver.OnLogWriteError(reason);
    }
    if (listener)
        listener->OnReplayPosition(read.time);
}

bool CReplayer::WaitUntilDue(std::unique_lock<std::mutex>& lock, const CWallTime& time)
{
    for (;;) {
        if (stopRequested || seekRequested || stepRequested || state != State::Playing)
            return false;
        if (speed <= 0.0)
            return true;
        const double now = CTickwarden::GetPCMilliSecs();
        if (!anchored) {
            anchored = true;
            anchorUtcMs = position && position->utcMilliseconds <= time.utcMilliseconds ? position->utcMilliseconds
                                                                                          : time.utcMilliseconds;
            anchorSteadyMs = now;
        }
        const double due = anchorSteadyMs + static_cast<double>(time.utcMilliseconds - anchorUtcMs) / speed;
        if (now >= due)
            return true;
        // Wake at least once a second, so a long wait follows the steady clock.
        const double waitMs = std::min(due - now, 1000.0);
        wake.wait_for(lock, std::chrono::duration<double, std::milli>(waitMs));
    }
}

void CReplayer::Run()
{
    std::unique_lock lock(mutex);
    for (;;) {
        wake.wait(lock,
                  [this] { return stopRequested || seekRequested || stepRequested || state == State::Playing; });
        if (stopRequested)
            break;
        if (seekRequested) {
            seekRequested = false;
            if (state == State::Ended)
                state = State::Paused;
            const std::int64_t to = seekUtcMs;
            lock.unlock();
            SeekNow(to);
            lock.lock();
            continue;
        }
        if (!pending) {
            lock.unlock();
            pending = NextRead();
            lock.lock();
            if (!pending) {
                WaitAtTheEnd(lock);
                continue;
            }
        }
        const bool step = std::exchange(stepRequested, false);
        if (!step && !WaitUntilDue(lock, pending->time))
            continue;
        CRecordedRead read = std::move(*pending);
        pending.reset();
        lock.unlock();
        HandOver(read);
        lock.lock();
    }
    state = State::Ended;
    lock.unlock();
    Finish();
}

void CReplayer::WaitAtTheEnd(std::unique_lock<std::mutex>& lock)
{
    state = State::Ended;
    ended.notify_all();
    lock.unlock();
    endTold = true;
    if (listener)
        listener->OnReplayEnded();
    lock.lock();
    // A seek plays again from another place; a step or play at the end does nothing.
    stepRequested = false;
    wake.wait(lock, [this] { return stopRequested || seekRequested; });
}

void CReplayer::Finish()
{
    if (decoder)
        decoder->CloseLogs();
    if (decoder && decoder->HasLogWriteError() && !logFailureTold) {
        logFailureTold = true;
        receiver.OnLogWriteError(decoder->GetLogWriteError());
    }
    if (listener && !endTold)
        listener->OnReplayEnded();
    std::lock_guard lock(mutex);
    threadEnded = true;
    ended.notify_all();
}
