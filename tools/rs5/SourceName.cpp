#include "tools/rs5/SourceName.h"

#include "tools/rs5/Command.h"

namespace rs5 {

std::optional<std::string> TakeDatabaseOption(std::vector<std::string>& arguments) {
    std::optional<std::string> server;
    for (auto argument = arguments.begin(); argument != arguments.end();) {
        if (*argument != "--database") {
            ++argument;
            continue;
        }
        if (argument + 1 == arguments.end()) {
            throw UsageError("--database needs a connection string");
        }
        server = *(argument + 1);
        argument = arguments.erase(argument, argument + 2);
    }
    return server;
}

SourceName TakeSource(std::vector<std::string>& arguments, std::size_t expected, const char* usage) {
    SourceName source{{}, TakeDatabaseOption(arguments)};
    if (!source.server) {
        if (arguments.empty()) {
            throw UsageError(usage);
        }
        source.path = arguments.front();
        arguments.erase(arguments.begin());
    }
    if (arguments.size() != expected) {
        throw UsageError(usage);
    }
    return source;
}

}  // namespace rs5
