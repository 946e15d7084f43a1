#include "tools/TerminalWriter.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace {

using namespace std::chrono_literals;

constexpr auto kEndGrace = 100ms;  // for the thread to see a Close it is not held up in

// The whole text, or errno. An output left non-blocking by whoever opened
// it is waited on as a blocking one would be.
int WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written >= 0) {
            done += static_cast<std::size_t>(written);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd room{fd, POLLOUT, 0};
            ::poll(&room, 1, -1);
        } else if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

} // namespace

struct CTerminalWriter::State {
    struct Entry {
        std::string text;
        std::uint64_t leftOutBefore = 0;  // texts left out just before this one
    };

    explicit State(std::size_t queueCapacity) : capacity(queueCapacity) {}

    bool AllWritten() const { return failure != 0 || closed || (queue.empty() && !writing); }

    const std::size_t capacity;
    std::mutex guard;
    std::condition_variable changed;
    std::deque<Entry> queue;
    std::uint64_t leftOutSinceQueued = 0;
    std::uint64_t offered = 0;
    std::uint64_t written = 0;
    std::uint64_t toldLeftOut = 0;
    int failure = 0;
    bool writing = false;
    bool closed = false;
    bool ended = false;
};

CTerminalWriter::CTerminalWriter(int fd, std::size_t capacity, GapNote gapNote, FailureHandler onFailure)
    : state(std::make_shared<State>(capacity))
{
    thread = std::thread(&CTerminalWriter::Run, state, fd, std::move(gapNote), std::move(onFailure));
}

CTerminalWriter::~CTerminalWriter()
{
    Close();
    if (!WaitEnded(Clock::now() + kEndGrace))
        thread.detach();
}

bool CTerminalWriter::Offer(std::string text, WhenFull whenFull)
{
    {
        std::lock_guard<std::mutex> lock(state->guard);
        ++state->offered;
        if (state->closed || state->failure != 0)
            return false;
        if (state->queue.size() >= state->capacity && whenFull == WhenFull::LeaveOut) {
            ++state->leftOutSinceQueued;
            return false;
        }
        state->queue.push_back({std::move(text), state->leftOutSinceQueued});
        state->leftOutSinceQueued = 0;
    }
    state->changed.notify_all();
    return true;
}

bool CTerminalWriter::WaitWritten(Clock::time_point until)
{
    std::unique_lock<std::mutex> lock(state->guard);
    return state->changed.wait_until(lock, until, [this] { return state->AllWritten(); });
}

std::uint64_t CTerminalWriter::Close()
{
    std::uint64_t untold = 0;
    {
        std::lock_guard<std::mutex> lock(state->guard);
        state->closed = true;
        state->queue.clear();
        untold = state->offered - state->written - state->toldLeftOut;
    }
    state->changed.notify_all();
    return untold;
}

bool CTerminalWriter::WaitEnded(Clock::time_point until)
{
    {
        std::unique_lock<std::mutex> lock(state->guard);
        if (!state->changed.wait_until(lock, until, [this] { return state->ended; }))
            return false;
    }
    if (thread.joinable())
        thread.join();
    return true;
}

void CTerminalWriter::Run(std::shared_ptr<State> state, int fd, GapNote gapNote, FailureHandler onFailure)
{
    std::unique_lock<std::mutex> lock(state->guard);
    for (;;) {
        state->changed.wait(lock, [&state] { return state->closed || !state->queue.empty(); });
        if (state->closed)
            break;
        const State::Entry entry = std::move(state->queue.front());
        state->queue.pop_front();
        state->writing = true;
        lock.unlock();

        int error = entry.leftOutBefore > 0 ? WriteAll(fd, gapNote(entry.leftOutBefore)) : 0;
        const bool gapTold = error == 0 && entry.leftOutBefore > 0;
        if (error == 0)
            error = WriteAll(fd, entry.text);

        lock.lock();
        state->writing = false;
        if (gapTold)
            state->toldLeftOut += entry.leftOutBefore;
        if (error == 0) {
            ++state->written;
        } else {
            state->failure = error;
            if (!state->closed && onFailure)
                onFailure(error);
        }
        state->changed.notify_all();
        if (error != 0)
            break;
    }
    state->ended = true;
    state->changed.notify_all();
}
