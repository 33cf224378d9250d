#pragma once

// How the user's port names designate devices on POSIX systems.

#include <string>

namespace SlPlatform::Posix {

// The program's ports folder: $XDG_CONFIG_HOME/zarudedu-rs5/ports (default ~/.config/...), where a
// symbolic link "comN" makes the name "COMN" stand for its target, as Wine does for its COM ports.
std::string PortsFolder();

// "/..." is a path used as it is; "COMn" (any case, n >= 1) is the ports folder's link comn when there is
// one, else /dev/ttyS(n-1); anything else is used unchanged.
std::string DevicePath(const std::string& Name);

}  // namespace SlPlatform::Posix
