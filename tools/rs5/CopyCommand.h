#pragma once

#include "tools/rs5/Command.h"

namespace rs5 {

// rs5 copy [--codepage N] SOURCE --database CONNINFO [--append]
int RunCopy(const Invocation& invocation);

}  // namespace rs5
