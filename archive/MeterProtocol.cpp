#include "archive/MeterProtocol.h"

#include <algorithm>

namespace {

constexpr char NibbleChar(std::uint32_t nibble) {
    return static_cast<char>(0x30 + (nibble & 0x0F));
}
constexpr std::uint16_t Nibble(char c) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(c) & 0x0F);
}

void RequireLength(std::string_view reply, std::size_t needed) {
    if (reply.size() < needed) {
        throw ReplyTooShortError(reply.size(), needed);
    }
}

}  // namespace

ReplyTooShortError::ReplyTooShortError(std::size_t length, std::size_t needed)
    : std::runtime_error("Ответ прибора слишком короткий: " + std::to_string(length) + " байт вместо " +
                         std::to_string(needed)) {}

NibbleChars ValueToNibbleChars(std::uint32_t value) {
    NibbleChars chars{};
    for (std::size_t i = 0; i < chars.size(); ++i) {
        chars[i] = NibbleChar(value >> (4 * i));
    }
    return chars;
}

std::string BuildRecordRequest(std::uint32_t address) {
    std::string request(kHeaderRequest);
    const NibbleChars low = ValueToNibbleChars(address);
    const NibbleChars high = ValueToNibbleChars(address >> 16);
    request.replace(kRequestAddressOffset, low.size(), low.data(), low.size());
    request.replace(kRequestAddressOffset + low.size(), high.size(), high.data(), high.size());
    return request;
}

std::uint16_t NibbleCharsToValue(char c0, char c1, char c2, char c3) {
    return static_cast<std::uint16_t>(Nibble(c0) + 16 * Nibble(c1) + 256 * Nibble(c2) + 4096 * Nibble(c3));
}

int DecodeHeaderReply(std::string_view reply) {
    RequireLength(reply, kHeaderReplySize);
    const char* data = reply.data() + kReplyDataOffset;
    return NibbleCharsToValue(data[0], data[1], data[2], data[3]);
}

ArchiveRecordBytes DecodeRecordBytes(std::string_view reply) {
    RequireLength(reply, kRecordReplySize);
    ArchiveRecordBytes record{};
    for (std::size_t p = 0; p < record.size(); ++p) {
        const char* pair = reply.data() + kReplyDataOffset + 2 * p;
        record[p] = static_cast<std::uint8_t>(NibbleCharsToValue(pair[0], pair[1], '0', '0') & 0xFF);
    }
    return record;
}

bool RecordDataIsNibbleChars(std::string_view reply) {
    if (reply.size() < kRecordReplySize) {
        return false;
    }
    const std::string_view data = reply.substr(kReplyDataOffset, 2 * kArchiveRecordSize);
    return std::all_of(data.begin(), data.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xF0) == 0x30; });
}

std::optional<std::uint32_t> RequestedAddress(std::string_view request) {
    if (request.size() != kRequestSize ||
        request.substr(0, kRequestAddressOffset) != kHeaderRequest.substr(0, kRequestAddressOffset) ||
        request.back() != kHeaderRequest.back()) {
        return std::nullopt;
    }
    const char* a = request.data() + kRequestAddressOffset;
    return NibbleCharsToValue(a[0], a[1], a[2], a[3]) +
           (std::uint32_t{NibbleCharsToValue(a[4], a[5], a[6], a[7])} << 16);
}

std::string HeaderReplyData(int count) {
    if (count < 0 || count > kMaxArchiveCount) {
        throw std::out_of_range("record count " + std::to_string(count) + " is outside 0-65535");
    }
    const NibbleChars chars = ValueToNibbleChars(static_cast<std::uint32_t>(count));
    return std::string(chars.data(), chars.size());
}

std::string RecordReplyData(const ArchiveRecordBytes& record) {
    std::string data;
    data.reserve(2 * record.size());
    for (std::uint8_t byte : record) {
        data += NibbleChar(byte);
        data += NibbleChar(byte >> 4);
    }
    return data;
}
