#include "Command.h"
#include "ConvertCommand.h"
#include "InspectCommand.h"
#ifdef RS5_WITH_DOWNLOAD
#include "DownloadCommand.h"
#endif

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
#ifdef RS5_WITH_DOWNLOAD
        {"download", "--port NAME [--db PATH] [--step-ms MS]",
         "Downloads the meter's archive from the serial port NAME (COM1, /dev/ttyUSB0, the device that\n"
         "rs5-meter-sim prints, ...) into the working database: sys.mdb in the working directory unless\n"
         "--db names another (created when missing). The meter must be in its mode for communication\n"
         "with a PC. One request a step, one step a second (--step-ms: another period, for tests), so n\n"
         "records take n + 2 seconds. Progress goes to standard error: a bar on a terminal, a line per\n"
         "record otherwise; the meter's failures as error lines. Rows received before a failure are\n"
         "kept. Exit status 0 only when the whole archive was stored.",
         RunDownload},
#endif
        {"convert", "[--codepage N] IN OUT",
         "Converts a saved table file: OUT is written in ADO's XML format when its name ends in .xml (in any\n"
         "case), else in the binary ADTG format; IN may be either, told apart by its content. Every column,\n"
         "row and pending change is kept. OUT is replaced whole or, on failure, left as it was.",
         RunConvert},
    };
    return commands;
}

}  // namespace rs5
