#pragma once

#include "tools/rs5/Command.h"

namespace rs5 {

// rs5 convert [--codepage N] IN OUT
int RunConvert(const Invocation& invocation);

}  // namespace rs5
