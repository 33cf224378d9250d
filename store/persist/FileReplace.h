#pragma once

#include <string>
#include <string_view>

namespace persist {

// Writes bytes to the file at path so that the file is either what it was or the new content, never a
// mixture or nothing: the bytes go to a temporary file in the same folder, are flushed to disk, and the
// temporary file then takes the old one's place in one rename. On failure the temporary file is removed,
// the old file is left as it was, and PersistError says what failed.
void ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace persist
