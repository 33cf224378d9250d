#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace persist {

// Reads little-endian values from a byte range it does not own. Every read is checked against what is
// left, so a length taken from the data can never reach past the end: it raises PersistError instead.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    std::size_t Remaining() const { return bytes_.size() - position_; }
    std::size_t Position() const { return position_; }
    bool AtEnd() const { return position_ == bytes_.size(); }

    std::uint8_t PeekU8() const;
    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    // The next count bytes, as a view into the data.
    std::string_view Bytes(std::size_t count);
    void Skip(std::size_t count) { Bytes(count); }
    // A reader over the next count bytes, which this reader then skips.
    ByteReader Sub(std::size_t count) { return ByteReader(Bytes(count)); }

private:
    std::string_view bytes_;
    std::size_t position_ = 0;
};

// Appends little-endian values to a byte string.
class ByteWriter {
public:
    void U8(std::uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    void U16(std::uint16_t value) {
        const char bytes[2] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
        bytes_.append(bytes, 2);
    }
    void U32(std::uint32_t value) {
        const char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF),
                               static_cast<char>(value >> 16 & 0xFF), static_cast<char>(value >> 24)};
        bytes_.append(bytes, 4);
    }
    void Reserve(std::size_t size) { bytes_.reserve(size); }
    void Bytes(std::string_view bytes) { bytes_.append(bytes); }
    // Overwrites two bytes already written, at offset.
    void PatchU16(std::size_t offset, std::uint16_t value) {
        bytes_[offset] = static_cast<char>(value & 0xFF);
        bytes_[offset + 1] = static_cast<char>(value >> 8);
    }
    std::size_t Size() const { return bytes_.size(); }
    std::string& Data() { return bytes_; }

private:
    std::string bytes_;
};

}  // namespace persist
