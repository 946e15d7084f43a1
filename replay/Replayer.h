#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "decoders/LogFiles.h"
#include "replay/ReplaySession.h"
#include "replay/SessionIndex.h"

class CFormatDecoder;
class CTelegramReceiver;

// What a player tells besides the telegrams, on its own thread, one call at
// a time and never with its lock held (a listener may call the player
// back). A window queues these to its event loop.
class CReplayListener {
public:
    virtual ~CReplayListener() = default;

    // The recorded time of the read just handed to the receiver, or of the
    // place a seek went to. The time line of ages and intervals: as a clock
    // reading it is time.ClockReading().
    virtual void OnReplayPosition(const CWallTime& time) { (void)time; }
    // Something wrong with the input (the rest plays on).
    virtual void OnReplayMessage(const CReplayMessage& message) { (void)message; }
    // A seek is about to hand over reads from another place: what was known
    // of the session (statistics, ages, tracks) belongs to another stretch.
    virtual void OnReplaySeek(const CWallTime& time) { (void)time; }
    // The last read was handed over (a seek may play on from another
    // place), or the player was stopped.
    virtual void OnReplayEnded() {}
};

// Plays a recorded session into a telegram receiver, as the line's reader
// thread does: every read decoded by the format's decoder (counted, logged
// when a log is open, reported), and handed over as a value that carries
// its recorded time. Paced by the recorded times divided by the speed, or
// as fast as possible.
//
// Every control returns at once (it only takes the player's lock to leave a
// request): a window drives the player from its event loop. The receiver
// and the listener are called on the player's thread.
//
//   CReplayer player(std::move(session), typeCode, receiver, &listener);
//   player.SetSpeed(10.0);
//   player.Play();            // starts the thread at the first call
//   ...
//   player.Seek(utcMs);       // with an index: straight there
//   player.Step();            // paused: one telegram
//   player.Stop();            // or the destructor
class CReplayer {
public:
    // Ended: the last read was handed over, or the player was stopped.
    enum class State { Paused, Playing, Ended };

    // typeCode: the session's format (CReplaySession::TypeCode). The
    // receiver and the listener (may be null) must outlive the player.
    CReplayer(CReplaySession session, int typeCode, CTelegramReceiver& receiver, CReplayListener* listener);
    // Stops the thread and closes the log.
    ~CReplayer();
    CReplayer(const CReplayer&) = delete;
    CReplayer& operator=(const CReplayer&) = delete;

    // Before the first Play or Step: the CSV log (and the raw log beside it)
    // that the replayed reads are written to, with their recorded times.
    CLogOpenResult LogTo(const std::string& csvPath, CLogFiles::Mode mode = CLogFiles::Mode::Restart);
    // At any time: the index of the session's times (built from another
    // CReplaySession of the same files), for seeks straight to their place;
    // without one a seek reads from the start, handing nothing over, up to
    // the time.
    void UseIndex(std::shared_ptr<const CSessionIndex> index);
    // Before the first Play or Step: plays only the reads from (inclusive)
    // up to to (exclusive), in UTC milliseconds.
    void Limit(std::optional<std::int64_t> fromUtcMs, std::optional<std::int64_t> toUtcMs);

    void Play();
    void Pause();
    // Paused (or pausing): hands over the next read at once, then stays paused.
    void Step();
    // Speed factor of the recorded pace (1 recorded pace, 10 ten times as
    // fast); 0 or less: as fast as possible. Takes effect at once.
    void SetSpeed(double factor);
    // Goes on from the first read at or after the recorded time utcMs
    // (before the first read: the start), playing or paused as before; at
    // the end of the session, paused.
    void Seek(std::int64_t utcMs);
    // Ends the playing for good; the thread ends and closes the log (at
    // once when it waits; else once the receiver has taken the read it is
    // handing over). The destructor waits for it.
    void Stop();

    State GetState() const;
    // The recorded time of the last read handed over (or sought); nullopt
    // before the first.
    std::optional<CWallTime> Position() const;
    // Reads handed over since the player was made.
    std::uint64_t HandedOver() const;
    // Blocks until the last read was handed over or the player was stopped
    // (for the command line; never on a window's thread).
    void WaitUntilEnded();

private:
    void Run();
    void StartThread();
    // Reads the next read to hand over (within the limits), or nullopt at the end.
    std::optional<CRecordedRead> NextRead();
    void HandOver(const CRecordedRead& read);
    void SeekNow(std::int64_t utcMs);
    // Waits until the read is due at the current speed; false when a
    // request or a pause came first (the read is kept for later).
    bool WaitUntilDue(std::unique_lock<std::mutex>& lock, const CWallTime& time);
    // At the end of the session: told, then waits for a seek or a stop.
    void WaitAtTheEnd(std::unique_lock<std::mutex>& lock);
    void Tell(const CReplayMessage& message);
    void Finish();

    CReplaySession session;
    std::unique_ptr<CFormatDecoder> decoder;
    CTelegramReceiver& receiver;
    CReplayListener* listener;
    std::shared_ptr<const CSessionIndex> sessionIndex;  // taken under the lock
    std::optional<std::int64_t> toUtcMs;

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable ended;
    State state = State::Paused;
    bool stopRequested = false;
    bool threadEnded = false;
    double speed = 1.0;
    // Requests the thread takes in this order: a seek, then a step.
    bool seekRequested = false;
    bool stepRequested = false;
    std::int64_t seekUtcMs = 0;
    std::optional<CWallTime> position;
    std::uint64_t handedOver = 0;
    std::thread thread;

    // The pace's anchor, under the lock: a recorded time and the steady
    // clock reading it fell on.
    bool anchored = false;
    std::int64_t anchorUtcMs = 0;
    double anchorSteadyMs = 0.0;
    // The player's thread only: the read waiting for its time.
    std::optional<CRecordedRead> pending;
    bool logFailureTold = false;
    bool endTold = false;  // since the last seek
};
