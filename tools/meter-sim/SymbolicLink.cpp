#include "tools/meter-sim/SymbolicLink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace {

bool PointsTo(const std::string& path, const std::string& target) {
    std::vector<char> buffer(target.size() + 2);
    const ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
    return length >= 0 && std::string(buffer.data(), static_cast<std::size_t>(length)) == target;
}

}  // namespace

SymbolicLink::SymbolicLink(std::string path, std::string target) : path_(std::move(path)), target_(std::move(target)) {
    struct stat existing {};
    if (lstat(path_.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            throw std::system_error(EEXIST, std::generic_category(),
                                    "cannot make the link " + path_ + ": a file that is not a link stands there");
        }
        if (unlink(path_.c_str()) != 0) {
            throw std::system_error(errno, std::generic_category(), "cannot replace the link " + path_);
        }
    }
    if (symlink(target_.c_str(), path_.c_str()) != 0) {
        throw std::system_error(errno, std::generic_category(), "cannot make the link " + path_);
    }
    made_ = true;
}

SymbolicLink::~SymbolicLink() {
    Remove();
}

void SymbolicLink::Remove() {
    if (made_ && PointsTo(path_, target_)) {
        unlink(path_.c_str());
    }
    made_ = false;
}
