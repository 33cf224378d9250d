#pragma once

#include "Command.h"

namespace rs5 {

// rs5 report SOURCE OUT.pdf: the measurement report of a working database or saved table file as PDF.
int RunReport(const Invocation& invocation);

}  // namespace rs5
