#pragma once

#include "Command.h"

namespace rs5 {

// rs5 convert [--codepage N] IN OUT
int RunConvert(const Invocation& invocation);

}  // namespace rs5
