#pragma once

// The Win32 backend's record of the thread's last failure.

#include "serial/platform/SlPlatformState.h"

#include <string>

namespace SlPlatform::Win32 {

std::string SystemText(DWORD Code);
// Record GetLastError(), or Code, with the system's text as the thread's last error; return false.
bool Fail();
bool Fail(DWORD Code);

}  // namespace SlPlatform::Win32
