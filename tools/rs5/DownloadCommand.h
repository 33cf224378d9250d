#pragma once

#include "tools/rs5/Command.h"

namespace rs5 {

// rs5 download --port NAME [--db PATH] [--step-ms MS] [--fast]
int RunDownload(const Invocation& invocation);

}  // namespace rs5
