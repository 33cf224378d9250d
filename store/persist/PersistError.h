#pragma once

#include <stdexcept>
#include <string>

namespace persist {

// A persisted recordset could not be read or written; what() says why, in UTF-8.
class PersistError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace persist
