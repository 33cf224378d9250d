// Saving and reopening files by name on every platform, Windows included: a save replaces the file whole, and
// a name in Cyrillic (UTF-8 inside the program) reaches the file system as that very name both ways.
#include "tests/store/persist/SampleFiles.h"

#include "store/persist/FileReplace.h"
#include "store/persist/PersistError.h"
#include "store/persist/RecordsetFile.h"
#include "store/persist/RecordsetPrinter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

using namespace persist;
namespace fs = std::filesystem;

namespace {

// The UTF-8 text of a path; a narrow std::string of a path is in the ANSI code page on Windows.
std::string Utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path FromUtf8(const std::string& text) {
    return fs::path(std::u8string(text.begin(), text.end()));
}

class SavedFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("rs5-saved-" + std::to_string(std::random_device()()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Path(const std::string& name) const { return Utf8(folder_ / FromUtf8(name)); }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()));
    }

    fs::path folder_;
};

TEST_F(SavedFileTest, CreatesAndReplacesWholeFiles) {
    ReplaceFile(Path("a.db"), "first");
    EXPECT_EQ(ReadFileBytes(Path("a.db")), "first");
    ReplaceFile(Path("a.db"), std::string(100000, 'x'));
    EXPECT_EQ(ReadFileBytes(Path("a.db")), std::string(100000, 'x'));
    ReplaceFile(Path("a.db"), "");
    EXPECT_EQ(ReadFileBytes(Path("a.db")), "");
    EXPECT_EQ(FilesInFolder(), 1u);  // no temporary file left behind
}

TEST_F(SavedFileTest, MissingFilesAndFoldersAreErrors) {
    EXPECT_THROW(ReplaceFile(Path("no/such/folder/a.db"), "x"), PersistError);
    EXPECT_THROW(ReadFileBytes(Path("none.db")), PersistError);
    ReplaceFile(Path("big.db"), std::string(5000, 'b'));
    EXPECT_THROW(ReadFileBytes(Path("big.db"), 4999), PersistError);
    EXPECT_EQ(ReadFileBytes(Path("big.db"), 5000).size(), 5000u);
}

TEST_F(SavedFileTest, PublishingANewFileNeverReplacesOne) {
    ReplaceFile(Path("mine.tmp"), "mine");
    ReplaceFile(Path("theirs.mdb"), "theirs");
    bool existed = false;
    EXPECT_THROW(PublishNewFile(Path("mine.tmp"), Path("theirs.mdb"), &existed), PersistError);
    EXPECT_TRUE(existed);
    EXPECT_EQ(ReadFileBytes(Path("theirs.mdb")), "theirs");
    EXPECT_EQ(ReadFileBytes(Path("mine.tmp")), "mine");
    PublishNewFile(Path("mine.tmp"), Path("new.mdb"), &existed);
    EXPECT_FALSE(existed);
    EXPECT_EQ(ReadFileBytes(Path("new.mdb")), "mine");
    EXPECT_FALSE(fs::exists(FromUtf8(Path("mine.tmp"))));
}

// A table saved under a Russian name in a Russian folder opens again with the same rows, and the file system
// holds exactly that name (not the UTF-8 bytes read as some 8-bit code page).
TEST_F(SavedFileTest, CyrillicNamesSaveAndOpenAgain) {
    const text::AnsiCodePage codePage(kSampleCodePage);
    fs::create_directory(folder_ / FromUtf8("Замеры зерна"));
    for (const char* sample :
         {"adtg-samples/exhaustive__flat_VarWChar_states.adtg", "xml-samples/exhaustive__flat_VarWChar_states.xml"}) {
        const std::string bytes = ReadFileBytes(Utf8(FormatsDir() / sample));
        const std::string name = Path(std::string("Замеры зерна/пшеница, ноябрь") +
                                      (FormatForFileName(sample) == PersistFormat::Xml ? ".xml" : ".db"));
        ReplaceFile(name, bytes);
        EXPECT_TRUE(fs::is_regular_file(FromUtf8(name))) << name;
        const std::string read = ReadFileBytes(name);
        EXPECT_EQ(read, bytes) << name;
        EXPECT_EQ(PrintRecordset(ReadRecordset(read, codePage)), PrintRecordset(ReadRecordset(bytes, codePage)));
        ReplaceFile(name, "replaced");  // a second save over the Cyrillic name replaces it in place
        EXPECT_EQ(ReadFileBytes(name), "replaced");
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_ / FromUtf8("Замеры зерна"))) {
        names.push_back(Utf8(entry.path().filename()));
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"пшеница, ноябрь.db", "пшеница, ноябрь.xml"}));
}

}  // namespace
