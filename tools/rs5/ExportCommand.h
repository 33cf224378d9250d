#pragma once

#include "tools/rs5/Command.h"

namespace rs5 {

// rs5 export SOURCE OUT.xlsx
int RunExport(const Invocation& invocation);

}  // namespace rs5
