#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// The meter's request/reply protocol on the serial line. Pure: texts and bytes in, values out.
//
// Numbers travel as nibble characters: nibble n (0-15) is sent as the character 0x30 + n ("0"-"9", ":", ";",
// "<", "=", ">", "?"); on receipt only a character's low four bits count. Multi-nibble numbers go least
// significant nibble first. A request is 37 characters; a reply's first 40 bytes are not examined, its data
// follows at ReplyDataOffset.

// Archive address of the header, whose reply announces the record count; record k is at HeaderAddress + k.
inline constexpr std::uint32_t kHeaderAddress = 200000;
// Position in a reply where its data begins.
inline constexpr std::size_t kReplyDataOffset = 40;
// Bytes in one archive record.
inline constexpr std::size_t kArchiveRecordSize = 37;
// The most records a header reply can announce (four nibbles).
inline constexpr int kMaxArchiveCount = 65535;

// The request for the header; every request has this form with its own eight address characters.
inline constexpr std::string_view kHeaderRequest = "_DATA_REQUEST_[0000000000]_[04=03000]";
inline constexpr std::size_t kRequestSize = kHeaderRequest.size();
// Where the eight address characters stand in a request.
inline constexpr std::size_t kRequestAddressOffset = 28;

// The shortest complete replies: anything after these lengths is ignored.
inline constexpr std::size_t kHeaderReplySize = kReplyDataOffset + 4;
inline constexpr std::size_t kRecordReplySize = kReplyDataOffset + 2 * kArchiveRecordSize;

using ArchiveRecordBytes = std::array<std::uint8_t, kArchiveRecordSize>;
using NibbleChars = std::array<char, 4>;

// A reply too short to hold the data asked of it; what() is UTF-8 text.
class ReplyTooShortError : public std::runtime_error {
public:
    ReplyTooShortError(std::size_t length, std::size_t needed);
};

// The four nibble characters of the low 16 bits of value, least significant first.
NibbleChars ValueToNibbleChars(std::uint32_t value);
// The request for any archive address (the header's or a record's).
std::string BuildRecordRequest(std::uint32_t address);
// The 16-bit number carried by four nibble characters, least significant first; high bits are ignored.
std::uint16_t NibbleCharsToValue(char c0, char c1, char c2, char c3);

// The record count a header reply announces, 0 to 65 535. Reads positions 40-43 only.
// Throws ReplyTooShortError when the reply is shorter than HeaderReplySize.
int DecodeHeaderReply(std::string_view reply);
// The 37 record bytes of a record reply. Reads positions 40-113 only.
// Throws ReplyTooShortError when the reply is shorter than RecordReplySize.
ArchiveRecordBytes DecodeRecordBytes(std::string_view reply);

// Whether a record reply's 74 data characters (positions 40-113) are all nibble characters "0" to "?".
// False for a reply shorter than RecordReplySize.
bool RecordDataIsNibbleChars(std::string_view reply);

// The meter's side of the same exchange.

// The archive address a 37-character request asks for, or none when the text is not a request.
std::optional<std::uint32_t> RequestedAddress(std::string_view request);
// The data characters of a header reply announcing count records (count must be 0 to 65 535).
std::string HeaderReplyData(int count);
// The data characters of a record reply: each byte as two nibble characters, the low nibble first.
std::string RecordReplyData(const ArchiveRecordBytes& record);
