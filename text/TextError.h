#pragma once

#include <stdexcept>

namespace text {

// Text that cannot be converted: malformed UTF-8 or UTF-16, a character a code page lacks where the caller
// asked for it to be refused, or a code page the system does not have. what() says which, in English UTF-8.
class TextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace text
