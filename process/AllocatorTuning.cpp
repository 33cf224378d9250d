#include "process/AllocatorTuning.h"

#include <cstdlib>  // defines __GLIBC__ with the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace process {

void KeepFreedMemoryForLargeTables() {
#if defined(__GLIBC__)
    constexpr int kTrimThreshold = 256 << 20;
    // The largest the library accepts: the row vectors of a large table come from the heap, not from fresh
    // mappings that are zeroed and faulted in anew each time.
    constexpr int kMmapThreshold = 32 << 20;
    mallopt(M_TRIM_THRESHOLD, kTrimThreshold);
    mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
#endif
}

}  // namespace process
