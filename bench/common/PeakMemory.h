#pragma once

// The process's peak resident set so far, in MB (VmHWM of /proc/self/status); -1 where it cannot be told.
double PeakMegabytes();
