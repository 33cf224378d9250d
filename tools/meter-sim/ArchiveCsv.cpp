#include "tools/meter-sim/ArchiveCsv.h"

#include "archive/MeterProtocol.h"

#include <charconv>
#include <string>

namespace {

constexpr std::string_view kHeading = "number,date_time,grain,W,N,m,t,calibration";
constexpr std::size_t kFieldCount = 8;

std::vector<std::string> SplitFields(std::string_view line, const std::string& where) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    if (quoted) {
        throw ArchiveCsvError(where + ": a quoted field is not closed");
    }
    return fields;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool ParseInteger(std::string_view text, long long& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

class LineReader {
public:
    LineReader(const std::vector<std::string>& fields, std::string where) : fields_(fields), where_(std::move(where)) {}

    [[noreturn]] void Fail(std::size_t field, const std::string& problem) const {
        static constexpr const char* kNames[kFieldCount] = {"number", "date_time", "grain", "W",
                                                            "N",      "m",         "t",     "calibration"};
        // A field of megabytes is quoted in part, so the message stays a line.
        constexpr std::size_t MaxQuoted = 200;
        std::string shown = fields_[field];
        if (shown.size() > MaxQuoted) {
            std::size_t cut = MaxQuoted;
            while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) {
                --cut;  // not inside a character
            }
            shown = shown.substr(0, cut) + "...";
        }
        throw ArchiveCsvError(where_ + ", " + kNames[field] + " \"" + shown + "\": " + problem);
    }

    long long Integer(std::size_t field, long long low, long long high) const {
        long long value = 0;
        if (!ParseInteger(Trimmed(fields_[field]), value) || value < low || value > high) {
            Fail(field, "expected a whole number from " + std::to_string(low) + " to " + std::to_string(high));
        }
        return value;
    }

    // A decimal with at most one digit after the point, as tenths.
    std::int16_t Tenths(std::size_t field) const {
        std::string text = Trimmed(fields_[field]);
        if (text.empty()) {
            Fail(field, "a value is needed");
        }
        const auto point = text.find('.');
        if (point != std::string::npos) {
            if (point + 2 != text.size() || text[point + 1] < '0' || text[point + 1] > '9') {
                Fail(field, "expected a number with at most one decimal, such as 14.5");
            }
            text.erase(point, 1);
        } else {
            text += '0';
        }
        long long tenths = 0;
        if (!ParseInteger(text, tenths) || tenths < -32768 || tenths > 32767) {
            Fail(field, "expected a number from -3276.8 to 3276.7 with at most one decimal");
        }
        return static_cast<std::int16_t>(tenths);
    }

    bool Empty(std::size_t field) const { return Trimmed(fields_[field]).empty(); }
    const std::string& Text(std::size_t field) const { return fields_[field]; }

private:
    const std::vector<std::string>& fields_;
    std::string where_;
};

RecordDateTime ParseDateTime(const LineReader& line) {
    const std::string text = Trimmed(line.Text(1));
    auto part = [&](std::size_t at, std::size_t digits) {
        int value = 0;
        for (std::size_t i = at; i < at + digits; ++i) {
            if (text[i] < '0' || text[i] > '9') {
                line.Fail(1, "expected DD.MM.YYYY HH:MM:SS");
            }
            value = 10 * value + (text[i] - '0');
        }
        return value;
    };
    if (text.size() != 19 || text[2] != '.' || text[5] != '.' || text[10] != ' ' || text[13] != ':' ||
        text[16] != ':') {
        line.Fail(1, "expected DD.MM.YYYY HH:MM:SS");
    }
    const int year = part(6, 4);
    if (year < 2000 || year > 2099) {
        line.Fail(1, "the meter keeps years 2000 to 2099");
    }
    const RecordDateTime when{static_cast<std::uint8_t>(part(0, 2)),  static_cast<std::uint8_t>(part(3, 2)),
                              static_cast<std::uint8_t>(year - 2000), static_cast<std::uint8_t>(part(11, 2)),
                              static_cast<std::uint8_t>(part(14, 2)), static_cast<std::uint8_t>(part(17, 2))};
    if (!when.IsValid()) {
        line.Fail(1, "not a real date and time");
    }
    return when;
}

ArchiveRecord ParseRecord(const LineReader& line) {
    ArchiveRecord r;
    r.when = ParseDateTime(line);
    r.grain = line.Text(2);
    r.moistureTenths = line.Tenths(3);
    if (!line.Empty(4)) {
        r.testWeight = static_cast<std::int16_t>(line.Integer(4, -32768, 32767));
    }
    if (!line.Empty(5)) {
        r.massTenths = line.Tenths(5);
    }
    r.temperatureTenths = line.Tenths(6);
    // The meter knows two calibrations: 0 basic, 1 individual.
    r.calibration = static_cast<std::uint8_t>(line.Integer(7, 0, 1));
    constexpr const char* MarksMissing = "cannot be stored: the meter's word for it marks a missing value";
    if (r.testWeight == -1) {
        line.Fail(4, MarksMissing);
    }
    if (r.massTenths == -1) {
        line.Fail(5, MarksMissing);
    }
    try {
        ArchiveRecordToBytes(r);
    } catch (const RecordEncodingError& error) {
        line.Fail(2, error.what());
    }
    return r;
}

std::string TenthsText(std::int16_t tenths) {
    const int magnitude = tenths < 0 ? -tenths : tenths;
    return (tenths < 0 ? "-" : "") + std::to_string(magnitude / 10) + "." + std::to_string(magnitude % 10);
}

std::string Quoted(const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos && Trimmed(text) == text) {
        return text;
    }
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    return out + "\"";
}

}  // namespace

std::vector<ArchiveRecord> ReadArchiveCsv(std::istream& in) {
    std::vector<ArchiveRecord> archive;
    std::string line;
    for (int lineNumber = 1; std::getline(in, line); ++lineNumber) {
        if (lineNumber == 1 && line.starts_with("\xEF\xBB\xBF")) {
            line.erase(0, 3);
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (Trimmed(line).empty() || line.starts_with("#") || (archive.empty() && line.starts_with("number"))) {
            continue;
        }
        const std::string where = "line " + std::to_string(lineNumber);
        const std::vector<std::string> fields = SplitFields(line, where);
        if (fields.size() != kFieldCount) {
            throw ArchiveCsvError(where + ": expected 8 fields (" + std::string(kHeading) + "), found " +
                                  std::to_string(fields.size()));
        }
        if (archive.size() == static_cast<std::size_t>(kMaxArchiveCount)) {
            throw ArchiveCsvError(where + ": the meter keeps at most 65535 records");
        }
        const LineReader reader(fields, where);
        const auto expected = static_cast<long long>(archive.size() + 1);
        if (reader.Integer(0, 1, kMaxArchiveCount) != expected) {
            reader.Fail(0, "record numbers must run 1, 2, 3, ... in order; expected " + std::to_string(expected));
        }
        archive.push_back(ParseRecord(reader));
    }
    return archive;
}

void WriteArchiveCsv(std::ostream& out, const std::vector<ArchiveRecord>& archive) {
    out << kHeading << '\n';
    int number = 0;
    for (const ArchiveRecord& r : archive) {
        out << ++number << ',' << r.when.Text() << ',' << Quoted(r.grain) << ',' << TenthsText(r.moistureTenths) << ','
            << (r.testWeight ? std::to_string(*r.testWeight) : "") << ','
            << (r.massTenths ? TenthsText(*r.massTenths) : "") << ',' << TenthsText(r.temperatureTenths) << ','
            << int(r.calibration) << '\n';
    }
}
