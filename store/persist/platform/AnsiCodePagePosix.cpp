#include "../AnsiCodePage.h"

#include "../PersistError.h"
#include "../Unicode.h"

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

// Runs iconv over the whole input; at a byte it cannot convert, appends `replacement` and moves on by
// what `skip` says.
template <typename Skip>
std::string Convert(iconv_t handle, std::string_view input, std::string_view replacement, Skip skip) {
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
            out.append(replacement);
            const std::size_t step = std::min<std::size_t>(inLeft, skip(static_cast<unsigned char>(*in)));
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
    return Convert(static_cast<iconv_t>(handle.get()), ansi, "\xEF\xBF\xBD", [](unsigned char) { return 1; });
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
    return Convert(static_cast<iconv_t>(handle.get()), utf8, "?", Utf8SequenceLength);
}

}  // namespace persist
