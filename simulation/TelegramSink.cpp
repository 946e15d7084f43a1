#include "simulation/TelegramSink.h"

#include <poll.h>

bool CTelegramSink::WaitForRoom(int fd, const StopRequested& stopRequested)
{
    if (stopRequested())
        return false;
    pollfd room{fd, POLLOUT, 0};
    ::poll(&room, 1, kStopCheckMs);
    return true;
}
