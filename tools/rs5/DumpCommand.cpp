#include "tools/rs5/DumpCommand.h"

#include "tools/rs5/TableConversion.h"

namespace rs5 {

int RunDump(const Invocation& invocation) {
    std::vector<std::string> arguments = invocation.arguments;
    DumpTable(TakeSource(arguments, 0, "dump takes one source"), invocation.out);
    return 0;
}

}  // namespace rs5
