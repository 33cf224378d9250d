#include "store/persist/ByteReader.h"

#include "store/persist/PersistError.h"

namespace persist {

namespace {
const char* const kTruncated = "the file ends in the middle of a record";
}

std::uint8_t ByteReader::PeekU8() const {
    if (AtEnd()) {
        throw PersistError(kTruncated);
    }
    return static_cast<std::uint8_t>(bytes_[position_]);
}

std::uint8_t ByteReader::U8() {
    const std::uint8_t value = PeekU8();
    ++position_;
    return value;
}

std::uint16_t ByteReader::U16() {
    const std::string_view b = Bytes(2);
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[0]) | static_cast<std::uint8_t>(b[1]) << 8);
}

std::uint32_t ByteReader::U32() {
    const std::uint32_t low = U16();
    const std::uint32_t high = U16();
    return low | high << 16;
}

std::string_view ByteReader::Bytes(std::size_t count) {
    if (count > Remaining()) {
        throw PersistError(kTruncated);
    }
    const std::string_view view = bytes_.substr(position_, count);
    position_ += count;
    return view;
}

}  // namespace persist
