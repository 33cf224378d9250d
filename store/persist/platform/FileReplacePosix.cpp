#include "../FileReplace.h"

#include "../PersistError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace persist {

namespace {

std::string Folder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw PersistError("cannot " + what + " '" + path + "': " + std::strerror(error));
}

}  // namespace

void ReplaceFile(const std::string& path, std::string_view bytes) {
    std::string pattern = path + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        Fail("create a file beside", path, errno);
    const std::string temporary(name.data());
    const auto abandon = [&](const char* what, int error) {
        close(fd);
        unlink(temporary.c_str());
        Fail(what, path, error);
    };
    // mkstemp makes the file private; a saved table gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    if (fchmod(fd, 0666 & ~mask) != 0)
        abandon("set the permissions of", errno);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            abandon("write", n < 0 ? errno : EIO);
        written += static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0)
        abandon("flush", errno);
    if (close(fd) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        Fail("write", path, error);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        Fail("replace", path, error);
    }
    // The rename itself reaches the disk with the folder.
    const int folder = open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
}

}  // namespace persist
