#pragma once

// The POSIX backend's record of the thread's last failure.

#include <cerrno>
#include <cstdint>
#include <string>

namespace SlPlatform::Posix {

// Records errno's meaning (strerror), or the given text, as the thread's last error; returns false.
bool Fail(int Code);
bool Fail(int Code, const std::string& Text);

}  // namespace SlPlatform::Posix
