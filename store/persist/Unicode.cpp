#include "store/persist/Unicode.h"

#include "store/persist/PersistError.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace persist {

namespace {

const char* const kBadUtf16 = "the text is not valid UTF-16";
const char* const kBadUtf8 = "the text is not valid UTF-8";

template <bool BigEndian>
std::string Utf16ToUtf8(std::string_view bytes) {
    if (bytes.size() % 2 != 0) {
        throw PersistError(kBadUtf16);
    }
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) {
        const auto first = static_cast<std::uint8_t>(bytes[i]);
        const auto second = static_cast<std::uint8_t>(bytes[i + 1]);
        return static_cast<char16_t>(BigEndian ? (first << 8 | second) : (second << 8 | first));
    };
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const char16_t u = unit(i);
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 2 >= bytes.size()) {
                throw PersistError(kBadUtf16);
            }
            const char16_t low = unit(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) {
                throw PersistError(kBadUtf16);
            }
            AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (low - 0xDC00));
            i += 2;
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            throw PersistError(kBadUtf16);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

// Decodes the code point at text[i], advancing i; raises on malformed input.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<std::uint8_t>(text[i++]);
    if (lead < 0x80) {
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
    } else {
        throw PersistError(kBadUtf8);
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size() || (static_cast<std::uint8_t>(text[i]) & 0xC0) != 0x80) {
            throw PersistError(kBadUtf8);
        }
        cp = cp << 6 | (static_cast<std::uint8_t>(text[i++]) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        throw PersistError(kBadUtf8);
    }
    return cp;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | cp >> 6));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | cp >> 12));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | cp >> 18));
        out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Utf16LeToUtf8(std::string_view utf16le) {
    return Utf16ToUtf8<false>(utf16le);
}
std::string Utf16BeToUtf8(std::string_view utf16be) {
    return Utf16ToUtf8<true>(utf16be);
}

std::string Utf8ToUtf16Le(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    const auto put = [&](char32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>(u >> 8));
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = NextCodePoint(utf8, i);
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

std::size_t Utf16Length(std::string_view utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        // Runs of ASCII, the bulk of a saved table, are counted eight bytes at a time without decoding.
        std::uint64_t eight = 0;
        if (utf8.size() - i >= sizeof eight) {
            std::memcpy(&eight, utf8.data() + i, sizeof eight);
            if ((eight & 0x8080808080808080ULL) == 0) {
                i += sizeof eight;
                units += sizeof eight;
                continue;
            }
        }
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            ++i;
            ++units;
            continue;
        }
        // Two-byte sequences (Cyrillic) whose lead byte cannot start an overlong form need no decoding either.
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < utf8.size() &&
            (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
            i += 2;
            ++units;
            continue;
        }
        units += NextCodePoint(utf8, i) >= 0x10000 ? 2 : 1;
    }
    return units;
}

}  // namespace persist
