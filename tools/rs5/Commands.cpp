#include "Command.h"
#include "InspectCommand.h"

namespace rs5 {

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"inspect", "[--codepage N] FILE",
         "Prints a saved table file (or any recordset ADO saved as ADTG or XML) as text: its columns with\n"
         "type, length, precision, scale and flags, then each row with its state (unchanged, changed with\n"
         "its original values, inserted, deleted) and values, NULLs as NULL. A recordset prints the same\n"
         "from its ADTG and its XML file. --codepage gives the Windows code page of 8-bit text in ADTG\n"
         "files (default 1251).",
         RunInspect},
    };
    return commands;
}

}  // namespace rs5
