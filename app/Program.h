#pragma once

// The program's entry: starts the windows and runs the event loop until the main window closes; returns 0, also
// after an error shown at start-up.
//
//   zarudedu-rs5                     the program, in its working directory
//   zarudedu-rs5 --data-folder       the same in the user's data folder (DataFolder.h), made on the first start;
//                                    status 1 after an error box when it cannot be made or entered
//   zarudedu-rs5 --create-database   creates an empty working database "sys.mdb" in the working directory and
//                                    ends (status 1, and nothing changed, when the file exists or cannot be made)
//   zarudedu-rs5 --help, --version   print the usage (ProgramOptions.h) or the version and end
int RunProgram(int argc, char** argv);
