// rs5: the command-line companion of the program, without a window. See `rs5 --help`.
#include "Rs5Version.h"
#include "tools/rs5/Command.h"

#include <exception>
#include <iostream>

namespace {

void PrintUsage(std::ostream& out) {
    out << "Usage: rs5 COMMAND [ARGUMENTS]\n"
           "       rs5 --help | --version\n\n"
           "Commands:\n";
    for (const rs5::Command& command : rs5::Commands()) {
        out << "\n  rs5 " << command.name << ' ' << command.synopsis << '\n';
        std::string help = command.help;
        std::size_t start = 0;
        while (start < help.size()) {
            const std::size_t end = std::min(help.find('\n', start), help.size());
            out << "      " << help.substr(start, end - start) << '\n';
            start = end + 1;
        }
    }
    out << "\nOptions:\n"
           "  -h, --help          show this text and exit\n"
           "  --version           show the version and exit\n"
           "\nExit status: 0 on success, 1 when the command fails, 2 for a usage error.\n";
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.empty()) {
        PrintUsage(std::cerr);
        return 2;
    }
    if (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help") {
        PrintUsage(std::cout);
        return 0;
    }
    if (arguments[0] == "--version") {
        std::cout << "rs5 " << kRs5Version << '\n';
        return 0;
    }
    for (const rs5::Command& command : rs5::Commands()) {
        if (arguments[0] != command.name) {
            continue;
        }
        const rs5::Invocation invocation{{arguments.begin() + 1, arguments.end()}, std::cout, std::cerr};
        try {
            return command.run(invocation);
        } catch (const rs5::UsageError& error) {
            std::cerr << "rs5 " << command.name << ": " << error.what() << "\nUsage: rs5 " << command.name << ' '
                      << command.synopsis << '\n';
            return 2;
        } catch (const std::exception& error) {
            std::cerr << "rs5 " << command.name << ": " << error.what() << '\n';
            return 1;
        }
    }
    std::cerr << "rs5: unknown command '" << arguments[0] << "' (see rs5 --help)\n";
    return 2;
}
