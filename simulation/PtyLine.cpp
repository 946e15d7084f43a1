#include "simulation/PtyLine.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "simulation/SystemError.h"

namespace {

void MakeSlaveRaw(const std::string& slavePath)
{
    const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0)
        ThrowSystemError("pseudo-terminal", errno);
    termios state{};
    bool ok = tcgetattr(slave, &state) == 0;
    if (ok) {
        cfmakeraw(&state);
        ok = tcsetattr(slave, TCSANOW, &state) == 0;
    }
    const int error = errno;
    ::close(slave);
    if (!ok)
        ThrowSystemError("pseudo-terminal settings", error);
}

} // namespace

CPtyLine::CPtyLine()
{
    master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        ThrowSystemError("posix_openpt", errno);
    char name[128] = {};
    try {
        if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0)
            ThrowSystemError("pseudo-terminal", errno);
        slavePath = name;
        MakeSlaveRaw(slavePath);
    } catch (...) {
        ::close(master);
        throw;
    }
}

CPtyLine::~CPtyLine()
{
    ::close(master);
}
