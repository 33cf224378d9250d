#pragma once

#include "tools/rs5/Command.h"

namespace rs5 {

// rs5 inspect [--codepage N] FILE
int RunInspect(const Invocation& invocation);

}  // namespace rs5
