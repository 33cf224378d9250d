#include "app/ProgramOptions.h"

#include <string_view>

ProgramOptions ParseProgramOptions(int argc, const char* const* argv) {
    ProgramOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument(argv[i]);
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--create-database") {
            options.createDatabase = true;
        } else if (argument == "--data-folder") {
            options.dataFolder = true;
        } else if (argument == "--database" && i + 1 < argc) {
            options.database = QString::fromLocal8Bit(argv[++i]);
            options.databaseGiven = true;
        }
    }
    return options;
}

const char* ProgramUsage() {
    return R"(Usage: zarudedu-rs5 [--data-folder] [--database CONNINFO]
       zarudedu-rs5 --create-database [--database CONNINFO]
       zarudedu-rs5 --help | --version

The desktop companion program of the РС5 grain moisture meter: downloads the meter's archive over a
serial port into the working table, shows it in a grid for notes and deletions, saves and opens table
files, exports to a spreadsheet and prints a landscape report. The windows are in Russian.

The program works in its working directory: it opens the working database sys.mdb there at start and
never creates it.

Options:
  --data-folder       work in the user's data folder, $XDG_DATA_HOME/zarudedu-rs5 (by default
                      ~/.local/share/zarudedu-rs5), as the desktop menu starts the program; the first
                      start creates the folder and an empty sys.mdb in it
  --create-database   create an empty working database sys.mdb in the working directory and exit;
                      exit status 1, and nothing changed, when the file exists or cannot be made
  --database CONNINFO use the table Sys on a PostgreSQL server instead of sys.mdb, for this run:
                      CONNINFO is a libpq connection string or URI, e.g. postgresql://lab-server/rs5
                      or service=rs5 (passwords from ~/.pgpass, a service file or PGPASSWORD);
                      an empty CONNINFO ("") means sys.mdb. Without the option the program uses the
                      database chosen in Файл > База данных…; with --create-database it creates
                      the table Sys on the server's empty database instead of the file
  -h, --help          show this text and exit
  --version           show the version and exit
)";
}
