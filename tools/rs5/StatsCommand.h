#pragma once

#include "tools/rs5/Command.h"

namespace rs5 {

// rs5 stats SOURCE [...]: the summaries per grain and day of a working database or saved table file.
int RunStats(const Invocation& invocation);

}  // namespace rs5
