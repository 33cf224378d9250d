#pragma once

#include "tools/rs5/Command.h"

namespace rs5 {

// rs5 import-jet OLD.mdb [--db PATH]
int RunImportJet(const Invocation& invocation);

}  // namespace rs5
