// Saving over a file on POSIX systems: what stands at the name (links, devices, permissions) and a failed write.
// The cases that hold on every platform are in SavedFileTest.cpp.
#include "store/persist/FileReplace.h"
#include "store/persist/PersistError.h"
#include "store/persist/RecordsetFile.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace persist;
namespace fs = std::filesystem;

namespace {

class FileReplaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("rs5-replace-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Path(const char* name) const { return (folder_ / name).string(); }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }

    fs::path folder_;
};

TEST_F(FileReplaceTest, AFailedWriteLeavesTheOldFileIntact) {
    ReplaceFile(Path("a.db"), "the saved table");
    // A file size limit makes the write fail as a full disk would, also for root.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(ReplaceFile(Path("a.db"), std::string(1 << 20, 'y')), PersistError);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(ReadFileBytes(Path("a.db")), "the saved table");
    EXPECT_EQ(FilesInFolder(), 1u);
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
    return info.st_mode;
}

// A save never turns what stands at the name into something else: a device, a pipe, a socket or a folder is
// refused and left as it was.
TEST_F(FileReplaceTest, AnythingButARegularFileIsRefusedAndLeftAlone) {
    fs::create_directory(Path("folder"));
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0644), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, Path("socket").c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(bind(sock, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    for (const char* name : {"folder", "pipe", "socket"}) {
        const mode_t before = ModeOf(Path(name));
        EXPECT_THROW(ReplaceFile(Path(name), "x"), PersistError) << name;
        EXPECT_EQ(ModeOf(Path(name)), before) << name;
    }
    close(sock);
    // A device of our own, like /dev/null (only root may make one; as root it used to be replaced).
    if (mknod(Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        try {
            ReplaceFile(Path("null"), "x");
            ADD_FAILURE() << "a device replaced";
        } catch (const PersistError& error) {
            EXPECT_NE(std::string(error.what()).find("it is a device"), std::string::npos) << error.what();
        }
        EXPECT_TRUE(S_ISCHR(ModeOf(Path("null"))));
        fs::remove(Path("null"));
    }
    EXPECT_EQ(FilesInFolder(), 3u);
}

// The link stays a link, and the file it points to gets the new content, replaced beside itself.
TEST_F(FileReplaceTest, ASymbolicLinkIsFollowed) {
    fs::create_directory(Path("real"));
    ReplaceFile(Path("real/table.xml"), "old");
    fs::create_symlink("real/table.xml", Path("link.xml"));
    fs::create_symlink(Path("link.xml"), Path("link-to-link.xml"));
    ReplaceFile(Path("link-to-link.xml"), "new");
    EXPECT_TRUE(fs::is_symlink(Path("link.xml")));
    EXPECT_TRUE(fs::is_symlink(Path("link-to-link.xml")));
    EXPECT_EQ(ReadFileBytes(Path("real/table.xml")), "new");
    EXPECT_EQ(FilesInFolder(), 3u);
    // A link to a file that does not exist yet makes that file.
    fs::create_symlink("real/new.xml", Path("dangling.xml"));
    ReplaceFile(Path("dangling.xml"), "made");
    EXPECT_EQ(ReadFileBytes(Path("real/new.xml")), "made");
    EXPECT_TRUE(fs::is_symlink(Path("dangling.xml")));
}

TEST_F(FileReplaceTest, TheReplacedFileKeepsItsPermissions) {
    ReplaceFile(Path("a.xml"), "old");
    ASSERT_EQ(chmod(Path("a.xml").c_str(), 0640), 0);
    ReplaceFile(Path("a.xml"), "new");
    EXPECT_EQ(ModeOf(Path("a.xml")) & 07777, 0640u);
    EXPECT_EQ(ReadFileBytes(Path("a.xml")), "new");
}

// No write permission for anyone: refused as the platform refuses a save in place, also when root runs it.
TEST_F(FileReplaceTest, AReadOnlyFileIsRefused) {
    ReplaceFile(Path("a.xml"), "kept");
    ASSERT_EQ(chmod(Path("a.xml").c_str(), 0444), 0);
    EXPECT_THROW(ReplaceFile(Path("a.xml"), "new"), PersistError);
    EXPECT_EQ(ReadFileBytes(Path("a.xml")), "kept");
    EXPECT_EQ(ModeOf(Path("a.xml")) & 07777, 0444u);
    EXPECT_EQ(FilesInFolder(), 1u);
}

}  // namespace
