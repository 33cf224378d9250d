#include "store/persist/AnsiCodePage.h"

#include "store/persist/PersistError.h"
#include "store/persist/Unicode.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace persist {

namespace {

struct IconvCloser {
    void operator()(void* handle) const { iconv_close(static_cast<iconv_t>(handle)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle Open(const std::string& to, const std::string& from, unsigned codePage) {
    const iconv_t handle = iconv_open(to.c_str(), from.c_str());
    if (handle == reinterpret_cast<iconv_t>(-1)) {
        throw PersistError("code page " + std::to_string(codePage) + " is not available on this system");
    }
    return IconvHandle(handle);
}

std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if ((lead & 0xE0) == 0xC0)
        return 2;
    if ((lead & 0xF0) == 0xE0)
        return 3;
    if ((lead & 0xF8) == 0xF0)
        return 4;
    return 1;
}

// Runs iconv over the whole input; at what it cannot convert, lets `unconvertible` append a substitute
// for the start of the rest and say how many bytes that consumed.
template <typename Unconvertible>
std::string Convert(iconv_t handle, std::string_view input, Unconvertible unconvertible) {
    std::string out;
    char buffer[1024];
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(handle, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
            const std::size_t step = std::min(inLeft, unconvertible(std::string_view(in, inLeft), out));
            in += step;
            inLeft -= step;
            iconv(handle, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

}  // namespace

std::string AnsiCodePage::ToUtf8(std::string_view ansi) const {
    bool ascii = true;
    for (const char c : ansi)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        return std::string(ansi);
    }
    const IconvHandle handle = Open("UTF-8", "CP" + std::to_string(codePage_), codePage_);
    return Convert(static_cast<iconv_t>(handle.get()), ansi, [](std::string_view rest, std::string& out) {
        // A byte the code page leaves undefined (0x98 in 1251) keeps its value as a C1 control, as Windows
        // does, so that it is written back unchanged.
        const auto byte = static_cast<unsigned char>(rest[0]);
        AppendUtf8(out, byte >= 0x80 && byte <= 0x9F ? byte : 0xFFFD);
        return std::size_t{1};
    });
}

std::string AnsiCodePage::FromUtf8(std::string_view utf8) const {
    bool ascii = true;
    for (const char c : utf8)
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        return std::string(utf8);
    }
    Utf16Length(utf8);  // rejects malformed UTF-8 before iconv sees it
    const IconvHandle handle = Open("CP" + std::to_string(codePage_), "UTF-8", codePage_);
    return Convert(static_cast<iconv_t>(handle.get()), utf8, [](std::string_view rest, std::string& out) {
        const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(rest[0]));
        const std::string_view sequence = rest.substr(0, length);
        // C1 controls stand for the undefined bytes of the same value; anything else is not in the page.
        if (sequence.size() == 2 && sequence[0] == '\xC2' && static_cast<unsigned char>(sequence[1]) <= 0x9F) {
            out.push_back(sequence[1]);
        } else {
            out.push_back('?');
        }
        return length;
    });
}

}  // namespace persist
