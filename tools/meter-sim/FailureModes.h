#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <set>

// The ways the simulated meter misbehaves, to show and test how the program copes. Counts are of replies
// (the header reply included); record numbers count from 1.
struct FailureModes {
    bool silent = false;                      // never answers
    std::optional<int> silentAfter;           // answers this many requests, then no more
    std::set<int> shortReplies;               // these records' replies stop in the middle of their data
    std::set<int> splitReplies;               // these records' replies come in two parts, SplitPause apart
    std::set<int> garbledRecords;             // these records carry an impossible date (day 0, month 13)
    std::optional<int> vanishAfter;           // a moment after this many replies the line goes away, as when unplugged
    std::chrono::milliseconds replyDelay{0};  // before each reply begins (the meter's thinking time)
    std::chrono::milliseconds chunkGap{0};    // when set, every reply goes in ChunkSize pieces this far apart

    static constexpr std::chrono::milliseconds kSplitPause{1500};
    static constexpr std::size_t kChunkSize = 16;
};
