#pragma once

#include "Command.h"

namespace rs5 {

// rs5 dump SOURCE
int RunDump(const Invocation& invocation);

}  // namespace rs5
