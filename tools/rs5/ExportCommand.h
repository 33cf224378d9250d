#pragma once

#include "Command.h"

namespace rs5 {

// rs5 export SOURCE OUT.xlsx
int RunExport(const Invocation& invocation);

}  // namespace rs5
