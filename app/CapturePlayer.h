#pragma once
// A recorded session played into the window's document as if the line sent
// it: the player's thread decodes every read, and the document shows it on
// the user-interface thread, in order, with its recorded time. Never more
// than a few telegrams wait for the window, so the player goes no faster
// than the window can show them and the event loop never waits long.
#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "acquisition/TelegramReceiver.h"
#include "replay/Replayer.h"

class QWidget;

class CCapturePlayer : public QObject, private CTelegramReceiver, private CReplayListener {
    Q_OBJECT
public:
    // At most this many telegrams are on their way to the window at once.
    static constexpr int kTelegramsInFlight = 4;
    enum class Speed { Recorded, Ten, Hundred, AsFast };

    // Shows a telegram, on the user-interface thread.
    using Show = std::function<void(const CSharedTelegram& telegram)>;

    CCapturePlayer(QStringList files, int typeCode, std::shared_ptr<const CSessionIndex> index, Show show,
                   QObject* parent = nullptr);
    ~CCapturePlayer() override;

    // Reads the times of the files once, showing the progress; nullptr
    // when the user cancelled or nothing in the files can be played (then
    // messages says why). typeCode: the format to play; a capture that
    // names its own format plays as that.
    struct COpened {
        std::shared_ptr<const CSessionIndex> index;
        int typeCode = 0;
        QStringList messages;  // what could not be read, by file and line
    };
    static std::optional<COpened> Index(const QStringList& files, int fallbackTypeCode, QWidget* parent);

    const QStringList& Files() const { return files; }
    // "night.jsonl", or "night.jsonl and 2 more".
    QString Title() const;
    const CSessionIndex& SessionIndex() const { return *index; }

    void Play();
    void Pause();
    void Step();
    void SetSpeed(Speed speed);
    // Goes on from the first read at or after utcMs, at the end too.
    void Seek(std::int64_t utcMs);
    bool IsPlaying() const { return playing; }
    bool HasEnded() const { return ended; }

    // The recorded time of the last telegram shown (the first read's time
    // before any).
    CWallTime Position() const { return position; }
    // The time line of ages and fading: the recorded time of the last
    // telegram shown, moved on by the time since then at the speed played.
    double Now() const;

signals:
    void positionChanged();
    void stateChanged();
    // Before the telegrams of another stretch: what was known belongs to the last.
    void sought();
    void message(const QString& text);

private:
    // Player's thread.
    void OnTelegramDecoded(const CSharedTelegram& telegram) override;
    void OnReplayMessage(const CReplayMessage& message) override;
    void OnReplaySeek(const CWallTime& time) override;
    void OnReplayEnded() override;

    void StartPlayer();
    void Shown(const CDecodedTelegram& telegram);
    double SpeedFactor() const;

    QStringList files;
    int typeCode;
    std::shared_ptr<const CSessionIndex> index;
    Show show;
    Speed speed = Speed::Recorded;
    bool playing = false;
    bool ended = false;
    CWallTime position;
    std::chrono::steady_clock::time_point shownAt = std::chrono::steady_clock::now();

    std::mutex flightMutex;
    std::condition_variable landed;
    int inFlight = 0;
    std::atomic<bool> stopping{false};

    std::unique_ptr<CReplayer> player;
};
