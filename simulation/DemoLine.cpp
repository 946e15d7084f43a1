#include "simulation/DemoLine.h"

#include <atomic>

#include "acquisition/PortMap.h"
#include "simulation/PtyLine.h"
#include "simulation/TelegramSimulator.h"

namespace {
// Port numbers no default device uses; each demo line of the process has its own.
std::atomic<int> nextDemoPort{99};
} // namespace

struct CDemoLine::Impl {
    CPtyLine line;
    int portNumber = nextDemoPort++;
    std::unique_ptr<CTelegramSimulator> simulator;

    ~Impl()
    {
        simulator.reset();
        CPortMap::ClearOverride(portNumber);
    }
};

CDemoLine::CDemoLine(int typeCode, double telegramsPerSecond) : impl(std::make_unique<Impl>())
{
    CPortMap::SetOverride(impl->portNumber, impl->line.SlavePath());
    CSimulationOptions options;
    options.typeCode = typeCode;
    options.rate = telegramsPerSecond;
    impl->simulator = std::make_unique<CTelegramSimulator>(impl->line.MasterFd(), options);
    impl->simulator->Start();
}

CDemoLine::~CDemoLine() = default;

std::string CDemoLine::PortName() const
{
    return "COM" + std::to_string(impl->portNumber);
}

std::string CDemoLine::DevicePath() const
{
    return impl->line.SlavePath();
}

void CDemoLine::SetTelegramType(int typeCode)
{
    impl->simulator->SetTelegramType(typeCode);
}
