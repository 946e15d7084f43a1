#include "app/CapturePlayer.h"

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>
#include <thread>

namespace {
constexpr int kProgressSteps = 1000;

CReplaySession MakeSession(const QStringList& files, std::optional<int> typeCode)
{
    std::vector<std::string> paths;
    for (const QString& file : files)
        paths.push_back(file.toStdString());
    CReplaySession::COptions options;
    options.typeCode = typeCode;
    return CReplaySession(std::move(paths), options);
}
} // namespace

CCapturePlayer::CCapturePlayer(QStringList files, int typeCode, std::shared_ptr<const CSessionIndex> index,
                               Show show, QObject* parent)
    : QObject(parent), files(std::move(files)), typeCode(typeCode), index(std::move(index)), show(std::move(show))
{
    position = this->index->First();
    StartPlayer();
}

CCapturePlayer::~CCapturePlayer()
{
    // The player's thread may wait for the window to take a telegram: it
    // is told to stop waiting before the player is stopped and joined.
    stopping = true;
    landed.notify_all();
    player.reset();
}

std::optional<CCapturePlayer::COpened> CCapturePlayer::Index(const QStringList& files, int fallbackTypeCode,
                                                             QWidget* parent)
{
    COpened opened;
    CReplaySession probe = MakeSession(files, std::nullopt);
    opened.typeCode = probe.TypeCode([](const CReplayMessage&) {}).value_or(fallbackTypeCode);
    CReplaySession session = MakeSession(files, opened.typeCode);

    // The times are read off the user-interface thread; the window shows
    // how far and may cancel.
    QProgressDialog progress("Reading the times of the capture...", "Cancel", 0, kProgressSteps, parent);
    progress.setObjectName("captureProgress");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    std::atomic<double> fraction{0.0};
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    std::vector<CReplayMessage> messages;
    std::optional<CSessionIndex> index;
    std::thread reader([&] {
        index = CSessionIndex::Build(
            session, [&messages](const CReplayMessage& message) { messages.push_back(message); },
            [&fraction](double value) { fraction = value; }, &cancel);
        done = true;
    });
    while (!done) {
        progress.setValue(static_cast<int>(fraction.load() * kProgressSteps));
        if (progress.wasCanceled())
            cancel = true;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    reader.join();
    progress.reset();
    for (const CReplayMessage& message : messages)
        opened.messages << QString::fromStdString(message.Text());
    if (!index || cancel)
        return std::nullopt;
    if (index->Empty()) {
        opened.messages << QString("%1: nothing in it can be played").arg(files.join(", "));
        opened.index.reset();
        return opened;
    }
    opened.index = std::make_shared<const CSessionIndex>(std::move(*index));
    return opened;
}

QString CCapturePlayer::Title() const
{
    const QString first = QFileInfo(files.value(0)).fileName();
    return files.size() > 1 ? QString("%1 and %2 more").arg(first).arg(files.size() - 1) : first;
}

void CCapturePlayer::StartPlayer()
{
    CTelegramReceiver& receiver = *this;
    CReplayListener* listener = this;
    player = std::make_unique<CReplayer>(MakeSession(files, typeCode), typeCode, receiver, listener);
    player->UseIndex(index);
    player->SetSpeed(SpeedFactor());
}

void CCapturePlayer::Play()
{
    if (ended)
        Seek(index->First().utcMilliseconds);
    playing = true;
    shownAt = std::chrono::steady_clock::now();
    player->Play();
    emit stateChanged();
}

void CCapturePlayer::Pause()
{
    playing = false;
    player->Pause();
    emit stateChanged();
}

void CCapturePlayer::Step()
{
    playing = false;
    if (ended)
        Seek(index->First().utcMilliseconds);
    player->Step();
    emit stateChanged();
}

void CCapturePlayer::SetSpeed(Speed newSpeed)
{
    speed = newSpeed;
    player->SetSpeed(SpeedFactor());
}

double CCapturePlayer::SpeedFactor() const
{
    switch (speed) {
    case Speed::Recorded: return 1.0;
    case Speed::Ten: return 10.0;
    case Speed::Hundred: return 100.0;
    case Speed::AsFast: return 0.0;
    }
    return 1.0;
}

void CCapturePlayer::Seek(std::int64_t utcMs)
{
    // At the end too: the player goes on from there.
    ended = false;
    player->Seek(utcMs);
    emit stateChanged();
}

double CCapturePlayer::Now() const
{
    double now = position.ClockReading();
    if (playing && !ended && speed != Speed::AsFast) {
        const std::chrono::duration<double, std::milli> since = std::chrono::steady_clock::now() - shownAt;
        now += since.count() * SpeedFactor();
    }
    return now;
}

void CCapturePlayer::Shown(const CDecodedTelegram& telegram)
{
    if (telegram.recorded)
        position = *telegram.recorded;
    shownAt = std::chrono::steady_clock::now();
    emit positionChanged();
}

// ---------------------------------------------------------------- player's thread

void CCapturePlayer::OnTelegramDecoded(const CSharedTelegram& telegram)
{
    {
        std::unique_lock lock(flightMutex);
        landed.wait(lock, [this] { return inFlight < kTelegramsInFlight || stopping; });
        if (stopping)
            return;
        ++inFlight;
    }
    QMetaObject::invokeMethod(
        this,
        [this, telegram] {
            show(telegram);
            Shown(*telegram);
            {
                std::lock_guard lock(flightMutex);
                --inFlight;
            }
            landed.notify_all();
        },
        Qt::QueuedConnection);
}

void CCapturePlayer::OnReplayMessage(const CReplayMessage& replayMessage)
{
    const QString text = QString::fromStdString(replayMessage.Text());
    QMetaObject::invokeMethod(this, [this, text] { emit message(text); }, Qt::QueuedConnection);
}

void CCapturePlayer::OnReplaySeek(const CWallTime& time)
{
    QMetaObject::invokeMethod(
        this,
        [this, time] {
            position = time;
            shownAt = std::chrono::steady_clock::now();
            emit sought();
            emit positionChanged();
        },
        Qt::QueuedConnection);
}

void CCapturePlayer::OnReplayEnded()
{
    QMetaObject::invokeMethod(
        this,
        [this] {
            ended = true;
            playing = false;
            emit stateChanged();
        },
        Qt::QueuedConnection);
}
