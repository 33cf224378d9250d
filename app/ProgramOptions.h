#pragma once

#include <QString>

// The program's own command-line options. Everything else (Qt's -platform, -style, ...) is left to Qt.
struct ProgramOptions {
    bool help = false;            // -h, --help: print ProgramUsage() and end
    bool version = false;         // --version: print the version and end
    bool createDatabase = false;  // --create-database: make an empty "sys.mdb" in the working directory and end
    bool dataFolder = false;      // --data-folder: work in DataFolder::DefaultPath() (see DataFolder.h)
    QString database;             // --database CONNINFO: the PostgreSQL server's table instead of "sys.mdb"
    bool databaseGiven = false;
};

ProgramOptions ParseProgramOptions(int argc, const char* const* argv);

// The text of --help; the manual page is made from it.
const char* ProgramUsage();
