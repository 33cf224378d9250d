#pragma once

#include "Command.h"

namespace rs5 {

// rs5 download --port NAME [--db PATH] [--step-ms MS] [--fast]
int RunDownload(const Invocation& invocation);

}  // namespace rs5
