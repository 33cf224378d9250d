#include "store/persist/FileReplace.h"

#include "store/persist/PersistError.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

namespace persist {

namespace {

// Symbolic links followed before a name is taken as looping.
constexpr int kMaxLinks = 40;

std::string Folder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw PersistError("cannot " + what + " '" + path + "': " + std::strerror(error));
}

[[noreturn]] void Refuse(const std::string& path, const std::string& why) {
    throw PersistError("cannot replace '" + path + "': " + why);
}

// The name a chain of symbolic links ends at (the path itself when it is no link); it need not exist.
std::string FinalName(const std::string& path) {
    std::string name = path;
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat info {};
        if (lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return name;
        }
        std::vector<char> target(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : PATH_MAX) + 1);
        const ssize_t length = readlink(name.c_str(), target.data(), target.size());
        if (length < 0) {
            Fail("follow the link", name, errno);
        }
        const std::string pointed(target.data(), static_cast<std::size_t>(length));
        name = pointed.starts_with('/') || name.find('/') == std::string::npos ? pointed : Folder(name) + "/" + pointed;
    }
    Fail("follow the link", path, ELOOP);
}

const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "it is a folder";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "it is a device";
    }
    if (S_ISFIFO(mode)) {
        return "it is a pipe";
    }
    if (S_ISSOCK(mode)) {
        return "it is a socket";
    }
    return "it is not a regular file";
}

void SyncFolder(const std::string& path) {
    const int folder = open(Folder(path).c_str(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
}

}  // namespace

std::FILE* OpenFileForReading(const std::string& path) {
    return std::fopen(path.c_str(), "rb");
}

void ReplaceFile(const std::string& requested, std::string_view bytes) {
    const std::string path = FinalName(requested);
    struct stat old {};
    const bool exists = stat(path.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        Fail("replace", path, errno);
    }
    if (exists) {
        if (!S_ISREG(old.st_mode)) {
            Refuse(path, KindOf(old.st_mode));
        }
        // Root may write any file; a file whose owner took every write permission away is refused all the same.
        if ((old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path.c_str(), W_OK) != 0) {
            Refuse(path, std::strerror(EACCES));
        }
    }

    std::string pattern = path + ".tmp-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        Fail("create a file beside", path, errno);
    }
    const std::string temporary(name.data());
    const auto abandon = [&](const char* what, int error) {
        close(fd);
        unlink(temporary.c_str());
        Fail(what, path, error);
    };
    // mkstemp makes the file private: a replaced file keeps its permissions, a new one gets the usual ones.
    mode_t mode = 0;
    if (exists) {
        mode = old.st_mode & 07777;
        if (fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Only root may give a file to another user; the group at least, where the caller is in it.
            [[maybe_unused]] const int ignored = fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        }
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (fchmod(fd, mode) != 0) {
        abandon("set the permissions of", errno);
    }
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            abandon("write", n < 0 ? errno : EIO);
        }
        written += static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0) {
        abandon("flush", errno);
    }
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
    SyncFolder(path);
}

void PublishNewFile(const std::string& temporary, const std::string& path, bool* existed) {
    if (existed) {
        *existed = false;
    }
    const int fd = open(temporary.c_str(), O_RDONLY);
    if (fd < 0) {
        Fail("open", temporary, errno);
    }
    const int flushed = fsync(fd);
    const int flushError = errno;
    close(fd);
    if (flushed != 0) {
        Fail("flush", temporary, flushError);
    }
    // A second name for the file fails when the name is taken, where a rename would replace what has it.
    if (link(temporary.c_str(), path.c_str()) == 0) {
        unlink(temporary.c_str());
        SyncFolder(path);
        return;
    }
    int error = errno;
    if (error == EPERM || error == ENOTSUP || error == EOPNOTSUPP) {
        // A file system without hard links (FAT, some network shares): the kernel's rename that refuses to replace.
        if (renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) {
            SyncFolder(path);
            return;
        }
        error = errno;
    }
    if (existed) {
        *existed = error == EEXIST;
    }
    Fail("create", path, error);
}

}  // namespace persist
