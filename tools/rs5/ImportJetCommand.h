#pragma once

#include "Command.h"

namespace rs5 {

// rs5 import-jet OLD.mdb [--db PATH]
int RunImportJet(const Invocation& invocation);

}  // namespace rs5
