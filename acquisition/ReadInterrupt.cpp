#include "acquisition/ReadInterrupt.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "acquisition/SerialPort.h"

CReadInterrupt::CReadInterrupt()
{
    // A failure here is retried, and reported, by Require.
    fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

CReadInterrupt::~CReadInterrupt()
{
    if (fd >= 0)
        ::close(fd);
}

void CReadInterrupt::Require()
{
    if (fd < 0 && (fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) < 0)
        throw CSerialException(static_cast<std::uint32_t>(errno));
}

void CReadInterrupt::Signal()
{
    const std::uint64_t one = 1;
    if (fd >= 0)
        (void)!::write(fd, &one, sizeof one);
}

void CReadInterrupt::Clear()
{
    std::uint64_t pending = 0;
    if (fd >= 0)
        (void)!::read(fd, &pending, sizeof pending);
}
