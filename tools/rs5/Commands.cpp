#include "tools/rs5/Command.h"
#include "tools/rs5/ConvertCommand.h"
#include "tools/rs5/DumpCommand.h"
#include "tools/rs5/InspectCommand.h"
#ifdef RS5_WITH_DOWNLOAD
#include "tools/rs5/DownloadCommand.h"
#endif
#ifdef RS5_WITH_COPY
#include "tools/rs5/CopyCommand.h"
#endif
#ifdef RS5_WITH_JET_IMPORT
#include "tools/rs5/ImportJetCommand.h"
#endif
#ifdef RS5_WITH_EXPORT
#include "tools/rs5/ExportCommand.h"
#endif
#ifdef RS5_WITH_STATS
#include "tools/rs5/StatsCommand.h"
#endif
#ifdef RS5_WITH_REPORT
#include "tools/rs5/PrintCommand.h"
#include "tools/rs5/ReportCommand.h"
#endif

namespace rs5 {

const std::vector<Command>& Commands() {
    static const std::vector<Command> kCommands = {
        {"inspect", "[--codepage N] FILE",
         "Prints a saved table file (or any recordset ADO saved as ADTG or XML) as text: its columns with\n"
         "type, length, precision, scale and flags, then each row with its state (unchanged, changed with\n"
         "its original values, inserted, deleted) and values, NULLs as NULL. A recordset prints the same\n"
         "from its ADTG and its XML file. --codepage gives the Windows code page of 8-bit text in ADTG\n"
         "files (default 1251).",
         RunInspect},
        {"dump", "SOURCE | --database CONNINFO",
         "Prints the rows of a working database (a name ending in .mdb) or of a saved table file as CSV in\n"
         "UTF-8: a header line with the field names, then one line per row with the plain text of each\n"
         "field (numbers in full, the locale's decimal separator and date format, NULL as nothing).\n"
         "In place of SOURCE, --database CONNINFO reads the table Sys on a PostgreSQL server (a libpq\n"
         "connection string or URI, as for download).",
         RunDump},
#ifdef RS5_WITH_DOWNLOAD
        {"download",
         "--port NAME [--db PATH | --database CONNINFO [--create-database]] [--step-ms MS] [--fast] [--new-only]",
         "Downloads the meter's archive from the serial port NAME (COM1, /dev/ttyUSB0, the device that\n"
         "rs5-meter-sim prints, ...) into the working database: sys.mdb in the working directory unless\n"
         "--db names another (created when missing), or the table Sys on a PostgreSQL server that several\n"
         "stations share: --database CONNINFO, a libpq connection string or URI (postgresql://lab-server/rs5,\n"
         "service=rs5; a password from ~/.pgpass, the service file or PGPASSWORD, never on the command\n"
         "line), where --create-database creates the table when missing. The meter must be in its mode\n"
         "for communication with a PC. One request a step, one step a second (--step-ms: another period,\n"
         "for tests), so n records take n + 2 seconds. Progress goes to standard error: a bar on a terminal, a line "
         "per\n"
         "record otherwise; the meter's failures as error lines, each followed by its cause. Each row is\n"
         "stored as soon as it is received, and rows received before a failure are kept. Ctrl+C or\n"
         "SIGTERM stops after the current step (exit status 130 or 143). Exit status 0 only when the\n"
         "whole archive was stored. --fast takes each reply as soon as it is complete and the line has been\n"
         "quiet for 20 ms, instead of waiting out the step (about 0.2 s a record at 9600 baud); a record\n"
         "reply with characters that are not nibble characters is asked for once more. Leave it off for a\n"
         "meter that misbehaves with it. A record whose date the meter spoiled is stored with an empty\n"
         "date; the end names such records. --new-only adds only the records that equal no row of the\n"
         "database in every field the meter gives; when the database holds records 1 to k of an earlier\n"
         "download and records 1 and k read back unchanged, only the records after k are asked for. The\n"
         "end says how many records were new and how many were there already.",
         RunDownload},
#endif
        {"convert", "[--codepage N] IN OUT",
         "Converts a table between a saved table file in the binary ADTG format (any name not ending in .xml\n"
         "or .mdb), one in ADO's XML format (.xml, in any case) and a working database (.mdb). Between files\n"
         "every column, row and pending change is kept, and IN is recognised by its content. A working\n"
         "database is written only when it is new or holds no rows; it receives the rows as the table shows\n"
         "them (deleted rows left out, changes applied), all or none of them; a new one appears only when\n"
         "complete. OUT files are replaced whole or, on failure, left as they were; a link is followed, the\n"
         "permissions kept, and a read-only file, a folder or a device refused.",
         RunConvert},
#ifdef RS5_WITH_COPY
        {"copy", "[--codepage N] SOURCE --database CONNINFO [--append]",
         "Copies the rows of a working database (a name ending in .mdb), of a saved table file, or, where\n"
         "rs5 has import-jet, of an old working database in Microsoft's Jet format (an .mdb of Access 97 to\n"
         "2003 with the table Sys, told by its header; only read, its rows sorted by Num, the values as\n"
         "import-jet keeps them), as the table shows them, into the table Sys on a PostgreSQL server\n"
         "(--database: a libpq connection string or URI, the password from ~/.pgpass, the service file or\n"
         "PGPASSWORD), in one transaction and in their order, each row given a new Num by the server (the\n"
         "source's Num is not kept). A table that holds rows already is refused unless --append adds the\n"
         "rows after them. Prints the number of rows copied.",
         RunCopy},
#endif
#ifdef RS5_WITH_JET_IMPORT
        {"import-jet", "OLD.mdb [--db PATH]",
         "Carries an old working database in Microsoft's Jet format (an .mdb of Access 97 to 2003 with the\n"
         "table Sys) over into a new working database: sys.mdb in the working directory unless --db names\n"
         "another. Every row comes over with its Num and values unchanged; OLD.mdb is only read. PATH must\n"
         "not exist: the database is built under a temporary name beside it and renamed into place only\n"
         "when complete. Prints the number of rows. Exit status 0 only when every row arrived; a file\n"
         "without the table Sys or one of its fields, or a damaged or cut-short one, leaves nothing behind.",
         RunImportJet},
#endif
#ifdef RS5_WITH_EXPORT
        {"export", "SOURCE|--database CONNINFO OUT.xlsx",
         "Writes the rows of a working database (a name ending in .mdb) or of a saved table file as the\n"
         "spreadsheet that \"Экспорт в Excel\" makes: sheet \"Данные\", the title in G1, the grid's titles in\n"
         "row 2, a row per table row from row 3 with numbers and dates as typed cells, column C 16 wide.\n"
         "The cells are read under the locale of the environment (LANG, LC_ALL). Progress goes to standard\n"
         "error. OUT is written beside and renamed into place once complete, so it is whole or as it was.\n"
         "In place of SOURCE, --database CONNINFO reads the table Sys on a PostgreSQL server.",
         RunExport},
#endif
#ifdef RS5_WITH_REPORT
        {"report", "SOURCE|--database CONNINFO OUT.pdf",
         "Writes the measurement report of a working database (a name ending in .mdb) or of a saved table\n"
         "file as PDF, the pages the program's preview shows: A4 landscape, the title, the column titles on\n"
         "every page, a line per row with the grid's texts, the date and the page number at the foot. The\n"
         "file is written beside OUT.pdf and renamed over it once complete. Exit status 0 only then.\n"
         "In place of SOURCE, --database CONNINFO reads the table Sys on a PostgreSQL server.",
         RunReport},
#endif
#ifdef RS5_WITH_STATS
        {"stats",
         "SOURCE|--database CONNINFO [--by grain|day|grain,day] [--from DATE] [--to DATE] [--grain NAME]... [--limit "
         "W] "
         "[--format text|csv|json]",
         "Summarises the rows of a working database (a name ending in .mdb) or of a saved table file per\n"
         "grain (the default), per day or per grain and day, and over all of them: the count; for W the\n"
         "mean, minimum, maximum, sample standard deviation and median; the means of N, m and t; the first\n"
         "and last date. A null value is left out of each figure and counted. --from and --to take dates as\n"
         "YYYY-MM-DD and include the whole day (rows without a date are then left out); --grain, given once\n"
         "or more, takes only those grains; --limit W adds how many rows have a W above W and their share.\n"
         "text is a table for a terminal; csv and json are for scripts (numbers with a dot, dates ISO 8601).\n"
         "Exit status 2 for a bad date, an unknown grain or an unknown option. In place of SOURCE,\n"
         "--database CONNINFO reads the table Sys on a PostgreSQL server.",
         RunStats},
#endif
#ifdef RS5_WITH_PRINT
        {"print", "SOURCE [--printer NAME] [--copies N] [--pages A-B]",
         "Sends the same report to a CUPS print queue, the default one unless --printer names another, A4\n"
         "landscape (fitted to the paper of a queue without A4), N copies, pages A to B (counted from 1,\n"
         "cut to the pages there are; A alone for one page). Prints the CUPS request id, as lp does. Exit\n"
         "status 0 only when the queue accepted the job.",
         RunPrint},
#endif
    };
    return kCommands;
}

}  // namespace rs5
