#include "simulation/SystemError.h"

#include <cstring>
#include <stdexcept>

void ThrowSystemError(const std::string& what, int error)
{
    throw std::runtime_error(what + ": " + std::strerror(error));
}
