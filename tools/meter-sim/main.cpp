// rs5-meter-sim: the РС5 meter on a serial line, for trying and testing the program without a meter.

#include "Rs5Version.h"
#include "tools/meter-sim/ArchiveCsv.h"
#include "tools/meter-sim/ArchiveGenerator.h"
#include "tools/meter-sim/MeterLine.h"
#include "tools/meter-sim/MeterResponder.h"
#include "tools/meter-sim/MeterSimulator.h"
#include "tools/meter-sim/SimulatorOptions.h"
#include "tools/meter-sim/SymbolicLink.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

namespace {

constexpr const char* kProgramName = "rs5-meter-sim";

std::vector<ArchiveRecord> LoadArchive(const SimulatorOptions& options) {
    if (!options.csvPath) {
        return GenerateArchive(options.generateCount, options.seed);
    }
    if (*options.csvPath == "-") {
        return ReadArchiveCsv(std::cin);
    }
    // A folder opens as a stream that reads nothing, which would pass for an empty archive.
    if (std::error_code ignored; std::filesystem::is_directory(*options.csvPath, ignored)) {
        throw std::runtime_error(*options.csvPath + " is a folder, not a CSV file");
    }
    std::ifstream file(*options.csvPath);
    if (!file) {
        throw std::runtime_error("cannot read " + *options.csvPath);
    }
    try {
        return ReadArchiveCsv(file);
    } catch (const ArchiveCsvError& error) {
        throw ArchiveCsvError(*options.csvPath + ", " + error.what());
    }
}

int Serve(const SimulatorOptions& options, const std::vector<ArchiveRecord>& archive) {
    MeterResponder responder(archive, options.failures, ReplyTrailer(options));
    MeterSimulator::CatchStopSignals();
    MeterLine line =
        options.devicePath ? MeterLine::OpenDevice(*options.devicePath, options.baud) : MeterLine::OpenPseudoTerminal();
    std::optional<SymbolicLink> link;
    if (options.linkPath) {
        link.emplace(*options.linkPath, line.ProgramSidePath());
    }

    const auto started = std::chrono::steady_clock::now();
    auto log = [&](const std::string& message) {
        if (options.quiet) {
            return;
        }
        const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::fprintf(stderr, "%s [%8.3f] %s\n", kProgramName, elapsed, message.c_str());
    };
    log("meter with " + std::to_string(responder.RecordCount()) + " records on " + line.ProgramSidePath() +
        (options.linkPath ? " (" + *options.linkPath + ")" : "") + ", " +
        (options.baud > 0 ? std::to_string(options.baud) + " baud" : "unpaced"));
    // The one line on standard output, once everything is ready: tests and scripts wait for it.
    std::cout << line.ProgramSidePath() << std::endl;

    MeterSimulator(line, responder, options.baud, log).Run();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (std::find(arguments.begin(), arguments.end(), "--version") != arguments.end()) {
        std::cout << kProgramName << ' ' << kRs5Version << '\n';
        return 0;
    }
    try {
        const SimulatorOptions options = ParseSimulatorOptions(arguments);
        if (options.help) {
            std::cout << SimulatorUsage();
            return 0;
        }
        const std::vector<ArchiveRecord> archive = LoadArchive(options);
        if (options.dumpCsv) {
            WriteArchiveCsv(std::cout, archive);
            return std::cout.flush() ? 0 : 1;
        }
        return Serve(options, archive);
    } catch (const UsageError& error) {
        std::cerr << kProgramName << ": " << error.what() << "\nTry '" << kProgramName << " --help'.\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << kProgramName << ": " << error.what() << '\n';
        return 1;
    }
}
