#pragma once

#include <string>

// A symbolic link that lives as long as this object: made (replacing an older symbolic link of that name,
// never another kind of file) and removed again, if it still points where it was made to point.
class SymbolicLink {
public:
    // Throws std::system_error when the link cannot be made or a file that is not a link stands there.
    SymbolicLink(std::string path, std::string target);
    ~SymbolicLink();
    SymbolicLink(const SymbolicLink&) = delete;
    SymbolicLink& operator=(const SymbolicLink&) = delete;

    void Remove();

private:
    std::string path_;
    std::string target_;
    bool made_ = false;
};
