#pragma once
#include <string>

// Throws std::runtime_error "what: reason", the reason being the system's
// text for the errno value error.
[[noreturn]] void ThrowSystemError(const std::string& what, int error);
