#include "ConvertCommand.h"

#include "CodePageOption.h"

#include "persist/FileReplace.h"
#include "persist/RecordsetFile.h"

namespace rs5 {

int RunConvert(const Invocation& invocation) {
    std::vector<std::string> arguments = invocation.arguments;
    const persist::AnsiCodePage codePage = TakeCodePageOption(arguments);
    if (arguments.size() != 2) {
        throw UsageError("convert takes an input and an output");
    }
    const persist::Recordset recordset = persist::ReadRecordset(persist::ReadFileBytes(arguments[0]), codePage);
    persist::ReplaceFile(arguments[1],
                         persist::WriteRecordset(recordset, persist::FormatForFileName(arguments[1]), codePage));
    return 0;
}

}  // namespace rs5
