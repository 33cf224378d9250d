#include "tools/rs5/ConvertCommand.h"

#include "tools/rs5/CodePageOption.h"
#include "tools/rs5/TableConversion.h"

#include "store/persist/FileReplace.h"
#include "store/persist/RecordsetFile.h"

namespace rs5 {

int RunConvert(const Invocation& invocation) {
    std::vector<std::string> arguments = invocation.arguments;
    const text::AnsiCodePage codePage = TakeCodePageOption(arguments);
    if (arguments.size() != 2) {
        throw UsageError("convert takes an input and an output");
    }
    const std::string& in = arguments[0];
    const std::string& out = arguments[1];
    const persist::Recordset recordset = IsWorkingDatabaseName(in)
                                             ? ReadWorkingDatabase(in)
                                             : persist::ReadRecordset(persist::ReadFileBytes(in), codePage);
    if (IsWorkingDatabaseName(out)) {
        WriteWorkingDatabase(recordset, out);
    } else {
        persist::ReplaceFile(out, persist::WriteRecordset(recordset, persist::FormatForFileName(out), codePage));
    }
    return 0;
}

}  // namespace rs5
