#pragma once

// The program's entry: starts the windows and runs the event loop until the main window closes; returns 0, also
// after an error shown at start-up.
//
//   zarudedu-rs5                     the program
//   zarudedu-rs5 --create-database   creates an empty working database "sys.mdb" in the working directory and
//                                    ends (status 1, and nothing changed, when the file exists or cannot be made)
int RunProgram(int argc, char** argv);
