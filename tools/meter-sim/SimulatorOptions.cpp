#include "SimulatorOptions.h"

#include "MeterProtocol.h"

#include <charconv>
#include <functional>
#include <map>

namespace {

long long Number(const std::string& option, const std::string& text, long long low, long long high) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() || value < low || value > high) {
        throw UsageError(option + ": \"" + text + "\" is not a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high));
    }
    return value;
}

int RecordNumber(const std::string& option, const std::string& text) {
    return static_cast<int>(Number(option, text, 1, MaxArchiveCount));
}

int ReplyCount(const std::string& option, const std::string& text) {
    return static_cast<int>(Number(option, text, 0, MaxArchiveCount + 1));
}

}  // namespace

SimulatorOptions ParseSimulatorOptions(const std::vector<std::string>& arguments) {
    SimulatorOptions o;
    bool generate = false;
    using Setter = std::function<void(const std::string&, const std::string&)>;
    const std::map<std::string, Setter> withValue = {
        {"--csv", [&](auto&, auto& v) { o.csvPath = v; }},
        {"--generate",
         [&](auto& n, auto& v) {
             generate = true;
             o.generateCount = int(Number(n, v, 0, MaxArchiveCount));
         }},
        {"--seed", [&](auto& n, auto& v) { o.seed = std::uint64_t(Number(n, v, 0, INT64_MAX)); }},
        {"--device", [&](auto&, auto& v) { o.devicePath = v; }},
        {"--link", [&](auto&, auto& v) { o.linkPath = v; }},
        {"--baud", [&](auto& n, auto& v) { o.baud = int(Number(n, v, 0, 4000000)); }},
        {"--reply-delay",
         [&](auto& n, auto& v) { o.failures.replyDelay = std::chrono::milliseconds(Number(n, v, 0, 600000)); }},
        {"--silent-after", [&](auto& n, auto& v) { o.failures.silentAfter = ReplyCount(n, v); }},
        {"--vanish-after", [&](auto& n, auto& v) { o.failures.vanishAfter = ReplyCount(n, v); }},
        {"--short-reply", [&](auto& n, auto& v) { o.failures.shortReplies.insert(RecordNumber(n, v)); }},
        {"--split-reply", [&](auto& n, auto& v) { o.failures.splitReplies.insert(RecordNumber(n, v)); }},
        {"--garble", [&](auto& n, auto& v) { o.failures.garbledRecords.insert(RecordNumber(n, v)); }},
    };
    const std::map<std::string, std::function<void()>> flags = {
        {"--silent", [&] { o.failures.silent = true; }},
        {"--no-line-end", [&] { o.lineEnd = false; }},
        {"--quiet", [&] { o.quiet = true; }},
        {"--dump-csv", [&] { o.dumpCsv = true; }},
        {"--help", [&] { o.help = true; }},
        {"-h", [&] { o.help = true; }},
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string name = arguments[i];
        std::optional<std::string> value;
        if (const auto equals = name.find('='); name.starts_with("--") && equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        }
        if (const auto flag = flags.find(name); flag != flags.end() && !value) {
            flag->second();
        } else if (const auto setter = withValue.find(name); setter != withValue.end()) {
            if (!value) {
                if (i + 1 == arguments.size()) {
                    throw UsageError(name + " needs a value");
                }
                value = arguments[++i];
            }
            setter->second(name, *value);
        } else {
            throw UsageError("unknown option \"" + arguments[i] + "\"");
        }
    }
    if (generate && o.csvPath) {
        throw UsageError("--csv and --generate cannot be used together");
    }
    return o;
}

std::string SimulatorUsage() {
    return R"(Usage: rs5-meter-sim [options]

Simulates the РС5 grain moisture meter in its mode for communication with a PC: it answers the archive
requests of the Zarudedu program on a serial line, so the program can be tried and tested without a meter.

By default it opens a new pseudo-terminal and prints, as the first line on standard output, the path of the
device the program should open (for example /dev/pts/5); the line appears once the simulator is ready to
answer. It runs until interrupted (Ctrl+C, SIGINT or SIGTERM).

The archive:
  --generate N        N made-up records (default 30): Russian grain names, negative temperatures, test
                      weight or mass missing now and then; the same N and seed give the same records
  --seed S            seed for --generate (default 1)
  --csv FILE          records from a CSV file ("-": standard input), one a line:
                        number,date_time,grain,W,N,m,t,calibration
                        1,03.12.2007 09:07:05,Пшеница,14.5,750,150.0,-5.5,0
                      (see the README for the columns)
  --dump-csv          print the archive as CSV on standard output and exit

The line:
  --device PATH       serve an existing serial device (e.g. /dev/ttyUSB0) instead of a pseudo-terminal
  --link PATH         also make PATH a symbolic link to the device (removed on exit)
  --baud B            send replies at the pace of a B-baud line, 10 bit times a byte (default 9600);
                      0 sends them at once
  --no-line-end       end replies after their data, without CR LF

Failure modes (counts of replies include the header reply; records count from 1):
  --silent            never answer
  --silent-after K    answer K requests, then no more
  --short-reply K     cut record K's reply in the middle of its data
  --split-reply K     send record K's reply in two parts 1.5 s apart
  --garble K          give record K an impossible date (day 0, month 13)
  --vanish-after K    after K replies close the line and exit, as an unplugged adapter would
  --reply-delay MS    wait MS milliseconds before each reply
  --short-reply, --split-reply and --garble may be given more than once.

Other:
  --quiet             do not log requests on standard error
  -h, --help          show this text
  --version           show the version and exit
)";
}
