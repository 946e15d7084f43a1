#include "acquisition/SocketLine.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

CSocketLine::~CSocketLine()
{
    CSocketLine::Close();
}

void CSocketLine::Close()
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

void CSocketLine::BeginOpen(const CLineAddress& address)
{
    Close();
    url = address.text;
    if (!address.error.empty())
        Fail(EINVAL, address.error);
    interrupt.Require();
}

std::optional<std::vector<CSocketAddress>> CSocketLine::Resolve(const CAddressResolver::CQuery& query)
{
    return resolver.Resolve(query, interrupt);
}

void CSocketLine::MakeSocket(int family, int type)
{
    Close();
    fd = ::socket(family, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        Fail(errno);
}

void CSocketLine::Fail(int error, const std::string& reason)
{
    Close();
    throw CSerialException(static_cast<std::uint32_t>(error), reason);
}
