#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace rs5 {

// The streams and arguments a subcommand runs with; arguments exclude the program and subcommand names.
struct Invocation {
    std::vector<std::string> arguments;
    std::ostream& out;
    std::ostream& err;
};

// One subcommand of rs5. run returns the exit status; it may throw std::exception, which main reports.
struct Command {
    const char* name;
    const char* synopsis;  // the arguments, as shown in the usage line
    const char* help;      // what it does, one or more lines
    int (*run)(const Invocation& invocation);
};

// Every subcommand, in the order --help lists them. Adding one means adding a row here.
const std::vector<Command>& Commands();

// A usage error: main prints it with the usage of the subcommand and exits with status 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace rs5
