#include "tools/meter-sim/SimulatorOptions.h"

#include "archive/MeterProtocol.h"

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
    return static_cast<int>(Number(option, text, 1, kMaxArchiveCount));
}

int ReplyCount(const std::string& option, const std::string& text) {
    return static_cast<int>(Number(option, text, 0, kMaxArchiveCount + 1));
}

// Bytes written as pairs of hexadecimal digits ("0d0a"); the empty text is no bytes.
std::string HexBytes(const std::string& option, const std::string& text) {
    auto digit = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    std::string bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0) {
            break;
        }
        bytes += static_cast<char>(high * 16 + low);
    }
    if (bytes.size() * 2 != text.size() || bytes.size() > 64) {
        throw UsageError(option + ": \"" + text +
                         "\" is not up to 64 bytes as pairs of hexadecimal digits (e.g. 0d0a)");
    }
    return bytes;
}

}  // namespace

std::string ReplyTrailer(const SimulatorOptions& options) {
    return options.trailer ? *options.trailer : options.lineEnd ? "\r\n" : "";
}

SimulatorOptions ParseSimulatorOptions(const std::vector<std::string>& arguments) {
    SimulatorOptions o;
    bool generate = false;
    using Setter = std::function<void(const std::string&, const std::string&)>;
    const std::map<std::string, Setter> withValue = {
        {"--csv", [&](auto&, auto& v) { o.csvPath = v; }},
        {"--generate",
         [&](auto& n, auto& v) {
             generate = true;
             o.generateCount = int(Number(n, v, 0, kMaxArchiveCount));
         }},
        {"--seed", [&](auto& n, auto& v) { o.seed = std::uint64_t(Number(n, v, 0, INT64_MAX)); }},
        {"--device", [&](auto&, auto& v) { o.devicePath = v; }},
        {"--link", [&](auto&, auto& v) { o.linkPath = v; }},
        {"--baud", [&](auto& n, auto& v) { o.baud = int(Number(n, v, 0, 4000000)); }},
        {"--reply-delay",
         [&](auto& n, auto& v) { o.failures.replyDelay = std::chrono::milliseconds(Number(n, v, 0, 600000)); }},
        {"--think",
         [&](auto& n, auto& v) { o.failures.replyDelay = std::chrono::milliseconds(Number(n, v, 0, 600000)); }},
        {"--chunk-gap",
         [&](auto& n, auto& v) { o.failures.chunkGap = std::chrono::milliseconds(Number(n, v, 0, 60000)); }},
        {"--trailer", [&](auto& n, auto& v) { o.trailer = HexBytes(n, v); }},
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
    if (o.trailer && !o.lineEnd) {
        throw UsageError("--trailer and --no-line-end cannot be used together");
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
  --trailer HEX       send these bytes after each reply's data instead of CR LF, as pairs of hexadecimal
                      digits (e.g. 0d0a, 0a, or "" for none)
  --chunk-gap MS      send every reply in chunks of 16 bytes, MS milliseconds apart
  --think MS          the meter thinks MS milliseconds before each reply (the same as --reply-delay)

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
