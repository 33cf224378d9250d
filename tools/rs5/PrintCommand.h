#pragma once

#include "tools/rs5/Command.h"

namespace rs5 {

// rs5 print SOURCE [--printer NAME] [--copies N] [--pages A-B]: the measurement report sent to a CUPS queue.
int RunPrint(const Invocation& invocation);

}  // namespace rs5
