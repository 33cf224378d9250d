#include "tools/rs5/DumpCommand.h"

#include "tools/rs5/TableConversion.h"

namespace rs5 {

int RunDump(const Invocation& invocation) {
    if (invocation.arguments.size() != 1) {
        throw UsageError("dump takes one source");
    }
    DumpTable(invocation.arguments[0], invocation.out);
    return 0;
}

}  // namespace rs5
