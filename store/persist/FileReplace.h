#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// How saved files are reached by their names, one implementation per platform. Names are UTF-8 everywhere:
// Windows, whose narrow file functions read a name in the ANSI code page, gets them as wide names.

namespace persist {

// Opens the file at path for reading bytes; null, with errno set, when it cannot.
std::FILE* OpenFileForReading(const std::string& path);

// Writes bytes to the file at path so that the file is either what it was or the new content, never a
// mixture or nothing: the bytes go to a temporary file in the same folder, are flushed to disk, and the
// temporary file then takes the old one's place in one rename. On failure the temporary file is removed,
// the old file is left as it was, and PersistError says what failed.
//
// What stands at path is respected as a save in place would respect it: a symbolic link is followed and the
// file it points to is replaced (beside that file), the link left as it is; a replaced file keeps its
// permission bits (and, where the caller may set them, its owner and group); a file nobody may write (no
// write permission bit, whoever runs the program) or that the caller may not write is refused; anything that
// is not a regular file (a folder, a device, a pipe, a socket) is refused and left alone.
void ReplaceFile(const std::string& path, std::string_view bytes);

// Gives the complete file `temporary` the name `path`, in the same folder, only if nothing of that name exists
// (flushing its content to disk first):
// two processes that make the same new file at the same time cannot overwrite one another, and no reader sees
// the file before it is whole. On success `temporary` is gone; otherwise PersistError is raised (with
// `existed` set when something had the name already) and both are left as they were.
void PublishNewFile(const std::string& temporary, const std::string& path, bool* existed = nullptr);

}  // namespace persist
