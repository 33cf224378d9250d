#pragma once

namespace process {

// Call once at the start of a program that loads and replaces large tables. A table of 65 535 rows is some
// 50 MB in many small blocks; with the C library's defaults, freeing one hands the memory back to the system
// and the next load faults it all in again, which doubles the time of a load. This keeps freed memory (up to
// a few hundred MB) in the process for the next table. Does nothing where the C library has no such setting.
void KeepFreedMemoryForLargeTables();

}  // namespace process
