#include "acquisition/DemoLine.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "acquisition/PortMap.h"
#include "acquisition/TelegramSimulator.h"

namespace {

// Port numbers no default device uses; each demo line of the process has its own.
std::atomic<int> nextDemoPort{99};

[[noreturn]] void FailWith(const char* what, int error)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(error));
}

// The reading side passes every byte as it comes, even before a reader has
// set its own frame: no line editing, no echo, no line-end translation.
void MakeSlaveRaw(const std::string& slavePath)
{
    const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0)
        FailWith("pseudo-terminal", errno);
    termios state{};
    const bool ok = tcgetattr(slave, &state) == 0 && (cfmakeraw(&state), tcsetattr(slave, TCSANOW, &state) == 0);
    const int error = errno;
    ::close(slave);
    if (!ok)
        FailWith("pseudo-terminal settings", error);
}

} // namespace

struct CDemoLine::Impl {
    int master = -1;
    std::string slavePath;
    int portNumber = 0;
    std::unique_ptr<CTelegramSimulator> simulator;

    ~Impl()
    {
        simulator.reset();
        if (portNumber != 0)
            CPortMap::ClearOverride(portNumber);
        if (master >= 0)
            ::close(master);
    }
};

CDemoLine::CDemoLine(int typeCode, double telegramsPerSecond) : impl(std::make_unique<Impl>())
{
    impl->master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (impl->master < 0)
        FailWith("posix_openpt", errno);
    char name[128] = {};
    if (grantpt(impl->master) != 0 || unlockpt(impl->master) != 0 ||
        ptsname_r(impl->master, name, sizeof name) != 0)
        FailWith("pseudo-terminal", errno);
    impl->slavePath = name;
    MakeSlaveRaw(impl->slavePath);

    impl->portNumber = nextDemoPort++;
    CPortMap::SetOverride(impl->portNumber, impl->slavePath);

    CSimulationOptions options;
    options.typeCode = typeCode;
    options.rate = telegramsPerSecond;
    impl->simulator = std::make_unique<CTelegramSimulator>(impl->master, options);
    impl->simulator->Start();
}

CDemoLine::~CDemoLine() = default;

std::string CDemoLine::PortName() const
{
    return "COM" + std::to_string(impl->portNumber);
}

std::string CDemoLine::DevicePath() const
{
    return impl->slavePath;
}

void CDemoLine::SetTelegramType(int typeCode)
{
    impl->simulator->SetTelegramType(typeCode);
}
