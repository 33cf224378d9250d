#include "archive/ArchiveRecord.h"

#include "text/Cp1251.h"
#include "text/TextError.h"

#include <algorithm>

namespace {

enum Position : std::size_t {
    Calibration = 0,
    Name = 1,
    Moisture = 23,
    TestWeight = 25,
    Mass = 27,
    Temperature = 29,
    Second = 31,
    Minute = 32,
    Hour = 33,
    Day = 34,
    Month = 35,
    Year = 36,
};

std::uint16_t Word(const ArchiveRecordBytes& bytes, std::size_t position) {
    return static_cast<std::uint16_t>(bytes[position] + 256 * bytes[position + 1]);
}

// Two's complement, as the meter writes it.
std::int16_t Signed(std::uint16_t word) {
    return static_cast<std::int16_t>(word);
}

void PutWord(ArchiveRecordBytes& bytes, std::size_t position, std::uint16_t word) {
    bytes[position] = static_cast<std::uint8_t>(word & 0xFF);
    bytes[position + 1] = static_cast<std::uint8_t>(word >> 8);
}

std::optional<std::int16_t> Optional(std::uint16_t word) {
    return word == kMissingValueWord ? std::nullopt : std::optional<std::int16_t>(Signed(word));
}

std::uint16_t OptionalWord(const std::optional<std::int16_t>& value, const char* what) {
    if (!value) {
        return kMissingValueWord;
    }
    if (*value == -1) {
        throw RecordEncodingError(std::string(what) + " of -1 cannot be stored: its word marks a missing value");
    }
    return static_cast<std::uint16_t>(*value);
}

}  // namespace

ArchiveRecord ArchiveRecordFromBytes(const ArchiveRecordBytes& bytes) {
    ArchiveRecord record;
    record.calibration = bytes[Calibration];
    std::size_t end = Name;
    while (end < bytes.size() && bytes[end] != 0) {
        ++end;
    }
    // Strict rules: a damaged byte (0x98) shows as U+FFFD, and only a name whose every character has a byte of
    // its own goes back to the meter.
    record.grain = text::Cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()) + Name, end - Name),
                                      text::kStrictCp1251);
    record.moistureTenths = Signed(Word(bytes, Moisture));
    record.testWeight = Optional(Word(bytes, TestWeight));
    record.massTenths = Optional(Word(bytes, Mass));
    record.temperatureTenths = Signed(Word(bytes, Temperature));
    record.when = {bytes[Day], bytes[Month], bytes[Year], bytes[Hour], bytes[Minute], bytes[Second]};
    return record;
}

ArchiveRecordBytes ArchiveRecordToBytes(const ArchiveRecord& record) {
    std::string name;
    try {
        name = text::Utf8ToCp1251(record.grain, text::kStrictCp1251);
    } catch (const text::TextError& error) {
        throw RecordEncodingError("grain name \"" + record.grain + "\": " + error.what());
    }
    if (name.find('\0') != std::string::npos) {
        throw RecordEncodingError("grain name \"" + record.grain + "\" holds a zero character");
    }
    if (name.size() > kMaxGrainNameBytes) {
        throw RecordEncodingError("grain name \"" + record.grain + "\" is longer than " +
                                  std::to_string(kMaxGrainNameBytes) + " characters");
    }
    ArchiveRecordBytes bytes{};
    bytes[Calibration] = record.calibration;
    std::copy(name.begin(), name.end(), bytes.begin() + Name);
    PutWord(bytes, Moisture, static_cast<std::uint16_t>(record.moistureTenths));
    PutWord(bytes, TestWeight, OptionalWord(record.testWeight, "a test weight"));
    PutWord(bytes, Mass, OptionalWord(record.massTenths, "a sample mass"));
    PutWord(bytes, Temperature, static_cast<std::uint16_t>(record.temperatureTenths));
    bytes[Second] = record.when.second;
    bytes[Minute] = record.when.minute;
    bytes[Hour] = record.when.hour;
    bytes[Day] = record.when.day;
    bytes[Month] = record.when.month;
    bytes[Year] = record.when.year;
    return bytes;
}

float TenthsAsSingle(std::int16_t tenths) {
    // The product is taken exactly enough (in double) and rounded to single precision once: a float times 0.1f
    // rounds 0.1 first and is one unit in the last place off for one value in five (178 gave 17.800001).
    return static_cast<float>(static_cast<double>(static_cast<float>(tenths)) * 0.1);
}

int WholeDegrees(std::int16_t temperatureTenths) {
    return temperatureTenths / 10;
}
