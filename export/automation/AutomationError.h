#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// The failure codes the automation layer and its servers report, as the platform's automation numbers them.
namespace AutomationCode {
inline constexpr std::uint32_t kUnknownName = 0x80020006;         // no member of that name
inline constexpr std::uint32_t kMemberNotFound = 0x80020003;      // the member cannot be used that way
inline constexpr std::uint32_t kTypeMismatch = 0x80020005;        // an argument or value of the wrong kind
inline constexpr std::uint32_t kBadParamCount = 0x8002000E;       // too many or too few arguments
inline constexpr std::uint32_t kBadIndex = 0x8002000B;            // an index out of range
inline constexpr std::uint32_t kException = 0x80020009;           // the server's own failure
inline constexpr std::uint32_t kInvalidClassString = 0x800401F3;  // no such program identifier
inline constexpr std::uint32_t kEmptyValue = 0x80004003;          // an access through an empty value
}  // namespace AutomationCode

// A failed automation call. what() names the call and the code in hexadecimal; the server's own description of
// the failure is not kept.
class AutomationError : public std::runtime_error {
public:
    AutomationError(std::uint32_t code, const std::string& what);
    std::uint32_t Code() const noexcept { return code_; }

private:
    std::uint32_t code_;
};
