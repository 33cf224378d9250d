#pragma once

#include "tools/rs5/Command.h"

namespace rs5 {

// rs5 dump SOURCE
int RunDump(const Invocation& invocation);

}  // namespace rs5
