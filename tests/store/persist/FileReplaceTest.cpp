// Saving over a file either replaces it whole or leaves it as it was.
#include "persist/FileReplace.h"
#include "persist/PersistError.h"
#include "persist/RecordsetFile.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
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

TEST_F(FileReplaceTest, CreatesAndReplacesWholeFiles) {
    ReplaceFile(Path("a.db"), "first");
    EXPECT_EQ(ReadFileBytes(Path("a.db")), "first");
    ReplaceFile(Path("a.db"), std::string(100000, 'x'));
    EXPECT_EQ(ReadFileBytes(Path("a.db")), std::string(100000, 'x'));
    ReplaceFile(Path("a.db"), "");
    EXPECT_EQ(ReadFileBytes(Path("a.db")), "");
    EXPECT_EQ(FilesInFolder(), 1u);  // no temporary file left behind
}

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

TEST_F(FileReplaceTest, AMissingFolderIsAnError) {
    EXPECT_THROW(ReplaceFile(Path("no/such/folder/a.db"), "x"), PersistError);
}

}  // namespace
