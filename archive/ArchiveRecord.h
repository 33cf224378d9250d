#pragma once

#include "archive/MeterProtocol.h"
#include "archive/RecordDateTime.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>

// One measurement of the meter's archive, in the meter's own units, and its 37-byte form:
//
//   0      calibration flag (0: basic calibration, anything else: individual)
//   1-     grain name, code page 1251, up to the first zero byte (or through position 36 when there is none)
//   21-22  unused word
//   23-24  moisture, tenths of a percent          signed 16-bit words, low byte first
//   25-26  test weight, g/l; FF FF: missing
//   27-28  sample mass, tenths of a gram; FF FF: missing
//   29-30  temperature, tenths of a degree
//   31-36  second, minute, hour, day, month, year since 2000
struct ArchiveRecord {
    std::uint8_t calibration = 0;
    std::string grain;  // UTF-8
    std::int16_t moistureTenths = 0;
    std::optional<std::int16_t> testWeight;  // -1 cannot be stored: its word marks a missing value
    std::optional<std::int16_t> massTenths;  // likewise
    std::int16_t temperatureTenths = 0;
    RecordDateTime when;

    bool operator==(const ArchiveRecord&) const = default;
};

// The longest grain name that a record can carry without running into the numeric fields, in bytes.
inline constexpr std::size_t kMaxGrainNameBytes = 20;
// The word that marks a missing test weight or sample mass.
inline constexpr std::uint16_t kMissingValueWord = 0xFFFF;

// A record that has no 37-byte form; what() says why.
class RecordEncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the record bytes as the meter wrote them. Never fails: every byte value is taken as it is.
ArchiveRecord ArchiveRecordFromBytes(const ArchiveRecordBytes& bytes);
// The inverse of ArchiveRecordFromBytes. Throws RecordEncodingError for a grain name that is not code page
// 1251 text, holds a zero character or is longer than MaxGrainNameBytes, and for a test weight or mass of -1.
ArchiveRecordBytes ArchiveRecordToBytes(const ArchiveRecord& record);

// How the table receives the values: moisture and mass as the value times 0.1, the product rounded once to a
// 32-bit float (123 gives 12.300000190734863, not 12.3; 178 gives 17.799999237060547), temperature in whole degrees
// truncated toward zero (-55 gives -5).
float TenthsAsSingle(std::int16_t tenths);
int WholeDegrees(std::int16_t temperatureTenths);
