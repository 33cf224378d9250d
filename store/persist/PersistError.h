#pragma once

#include "text/TextError.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace persist {

// A persisted recordset could not be read or written; what() says why, in UTF-8.
class PersistError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The longest part of a name or value that an error message quotes, in characters: a damaged file may hold a
// name of megabytes, and the message must stay a line a person can read.
inline constexpr std::size_t kMaxQuotedCharacters = 200;

// `text` (UTF-8) as an error message quotes it: whole up to kMaxQuotedCharacters characters, else that many
// followed by "...". Never cuts a character's bytes apart.
inline std::string Excerpt(std::string_view text) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
            continue;  // a continuation byte
        }
        if (characters == kMaxQuotedCharacters) {
            return std::string(text.substr(0, i)) + "...";
        }
        ++characters;
    }
    return std::string(text);
}

// Runs a conversion of the text module. What it refuses (damaged text in a file, text that cannot be written,
// a code page the system lacks) raises PersistError with the same message, as every other fault of a file does.
template <typename Conversion>
decltype(auto) ConvertText(Conversion&& conversion) {
    try {
        return conversion();
    } catch (const text::TextError& error) {
        throw PersistError(error.what());
    }
}

}  // namespace persist
