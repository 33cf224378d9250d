#include "tools/rs5/InspectCommand.h"

#include "tools/rs5/CodePageOption.h"

#include "store/persist/RecordsetFile.h"
#include "store/persist/RecordsetPrinter.h"

namespace rs5 {

int RunInspect(const Invocation& invocation) {
    std::vector<std::string> arguments = invocation.arguments;
    const text::AnsiCodePage codePage = TakeCodePageOption(arguments);
    if (arguments.size() != 1) {
        throw UsageError("inspect takes one file");
    }
    const std::string bytes = persist::ReadFileBytes(arguments[0]);
    invocation.out << persist::PrintRecordset(persist::ReadRecordset(bytes, codePage));
    return 0;
}

}  // namespace rs5
