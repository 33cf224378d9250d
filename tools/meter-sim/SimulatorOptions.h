#pragma once

#include "tools/meter-sim/FailureModes.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// The simulator's command line.
struct SimulatorOptions {
    std::optional<std::string> csvPath;  // archive from a CSV file ("-": standard input) ...
    int generateCount = 30;              // ... or generated
    std::uint64_t seed = 1;
    std::optional<std::string> devicePath;  // serve this serial device instead of a new pseudo-terminal
    std::optional<std::string> linkPath;    // a symbolic link to the device the program should open
    int baud = 9600;                        // pace of the replies; 0: as fast as the line takes them
    bool lineEnd = true;
    std::optional<std::string> trailer;  // bytes after each reply's data, instead of the line end
    bool quiet = false;
    bool dumpCsv = false;
    bool help = false;
    FailureModes failures;
};

// A command line that cannot be followed; what() says why.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The bytes the simulator sends after each reply's data: the trailer, else CR LF unless --no-line-end.
std::string ReplyTrailer(const SimulatorOptions& options);

// arguments exclude the program name. Throws UsageError.
SimulatorOptions ParseSimulatorOptions(const std::vector<std::string>& arguments);
// The --help text.
std::string SimulatorUsage();
