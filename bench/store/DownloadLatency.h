#pragma once

#include "bench/store/StoreBenchRows.h"

// A download's rows stored one by one while another station follows the table: this process stores `added` rows,
// one every `paceMs` (a fast download stores one about every 46 ms), each with AppendRow, SetField and PostRow,
// and times each PostRow. Meanwhile another station (this program again, RunFollower) keeps the same table open
// and takes in the changes with FollowStoreChanges every `followMs`, as the main window does; and a third process
// (RunWatcher) asks the store's CheckForChanges on a connection of its own every millisecond, which tells when
// another station learns of each row, undelayed by the table's work. All read the same system-wide monotonic
// clock.
struct LatencyRun {
    BenchStore store;
    int rows = 65535;  // in the table before the download
    int added = 2000;
    int paceMs = 50;
    int followMs = 500;
};

// Prints the figures; returns 0 when every row reached the follower's table.
int RunDownloadLatency(const LatencyRun& run, const char* program);
// The other stations; each stops at a line on its standard input, then prints what it saw.
int RunFollower(const LatencyRun& run);
int RunWatcher(const LatencyRun& run);
