#include "simulation/LineWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

CLineWriter::CLineWriter(int lineFd) : fd(lineFd)
{
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

bool CLineWriter::Send(const std::string& telegram, const StopRequested& stopRequested, std::string& error)
{
    std::size_t done = 0;
    while (done < telegram.size()) {
        const ssize_t written = ::write(fd, telegram.data() + done, telegram.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            error = std::strerror(errno);
            return false;
        }
        // The line is full: wait for room, but not past a stop.
        if (!WaitForRoom(fd, stopRequested))
            return false;
    }
    return true;
}
