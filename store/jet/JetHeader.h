#pragma once

#include <string>

namespace jet {

// Whether the file at `path` is a Jet database (Access 97 to 2003 .mdb) or its successor ACE (.accdb), told by
// the signature at its start, whatever its name. False for a file that cannot be read.
bool IsJetFile(const std::string& path);

}  // namespace jet
