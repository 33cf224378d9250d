#pragma once

#include "archive/MeterProtocol.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The staging area of downloaded record bytes: 500 000 bytes, zero when made, never cleared. Byte p of
// record k stands at offset p × 1000 + (k − 1): a row per record position, a column per record number.
// Record numbers above 1000 run on into the next row and share offsets with earlier records, so a record's
// bytes are good only until the next record is stored; the download decodes each one straight away.
// One area serves the whole download for the program's lifetime; its owner keeps it.
class ArchiveBytes {
public:
    static constexpr std::size_t kSize = 500000;
    static constexpr std::size_t kRowLength = 1000;

    ArchiveBytes();

    // k is 1 to MaxArchiveCount; throws std::out_of_range otherwise.
    void StoreRecord(int k, const ArchiveRecordBytes& record);
    ArchiveRecordBytes Record(int k) const;

    // The byte at an offset of the area (below Size).
    std::uint8_t At(std::size_t offset) const { return area_.at(offset); }

private:
    static std::size_t Offset(int k, std::size_t position);

    std::vector<std::uint8_t> area_;
};
