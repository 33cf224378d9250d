#pragma once

#include "tools/rs5/Command.h"

namespace rs5 {

// rs5 report SOURCE OUT.pdf: the measurement report of a working database or saved table file as PDF.
int RunReport(const Invocation& invocation);

}  // namespace rs5
