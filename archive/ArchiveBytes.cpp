#include "archive/ArchiveBytes.h"

#include <stdexcept>
#include <string>

ArchiveBytes::ArchiveBytes() : area_(kSize, 0) {}

std::size_t ArchiveBytes::Offset(int k, std::size_t position) {
    if (k < 1 || k > kMaxArchiveCount) {
        throw std::out_of_range("record number " + std::to_string(k) + " is outside 1-65535");
    }
    return position * kRowLength + static_cast<std::size_t>(k - 1);
}

void ArchiveBytes::StoreRecord(int k, const ArchiveRecordBytes& record) {
    for (std::size_t p = 0; p < record.size(); ++p) {
        area_[Offset(k, p)] = record[p];
    }
}

ArchiveRecordBytes ArchiveBytes::Record(int k) const {
    ArchiveRecordBytes record{};
    for (std::size_t p = 0; p < record.size(); ++p) {
        record[p] = area_[Offset(k, p)];
    }
    return record;
}
