#include "tests/store/jet/MdbExport.h"

#include "store/jet/JetDate.h"
#include "store/jet/JetHeader.h"
#include "store/jet/SysSchema.h"
#include "store/jet/SysTableReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <random>

namespace fs = std::filesystem;
using jet::DateTime;
using jet::SysRow;

namespace {

constexpr char kSynthetic[] = "synthetic-sys-jet4.mdb";
constexpr std::size_t kSyntheticRows = 4995;

// A folder of its own for each test, removed afterwards; samples are copied into it, never used in place.
class JetFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        folder_ = fs::temp_directory_path() / ("jet-test-" + std::to_string(random()));
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Copy(const std::string& sample) const {
        const fs::path copy = folder_ / sample;
        fs::copy_file(fs::path(RS5_JET_SAMPLES) / sample, copy);
        fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);
        return copy.string();
    }
    std::string Path(const std::string& name) const { return (folder_ / name).string(); }

    fs::path folder_;
};

std::string Bytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}
void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The message ReadSysTable raises, or "" when it reads the file.
std::string RefusalOf(const std::string& path) {
    try {
        jet::ReadSysTable(path);
    } catch (const jet::JetError& error) {
        return error.what();
    }
    return {};
}

std::string Double16(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.16g", value);
    return text;
}

// The value as mdb-export prints it: nothing for a null and for an empty text.
std::string ExportText(const jet::Value& value) {
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        return std::to_string(*number);
    }
    if (const auto* number = std::get_if<double>(&value)) {
        return Double16(*number);
    }
    if (const auto* date = std::get_if<DateTime>(&value)) {
        return jet::DateTimeText(*date);
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return *text;
    }
    return {};
}

std::uint64_t Bits(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace

TEST(JetDate, DaysFromTheEpochBecomeWallClockDateAndTime) {
    struct Case {
        const char* name;
        double days;
        DateTime expected;
    };
    const Case cases[] = {
        {"the epoch", 0.0, {1899, 12, 30, 0, 0, 0}},
        {"negative zero", -0.0, {1899, 12, 30, 0, 0, 0}},
        {"noon of the epoch", 0.5, {1899, 12, 30, 12, 0, 0}},
        {"negative day, time still counts forward", -1.25, {1899, 12, 29, 6, 0, 0}},
        {"negative zero day with a time", -0.5, {1899, 12, 30, 12, 0, 0}},
        {"a leap day", 36585.0, {2000, 2, 29, 0, 0, 0}},
        {"last second of 2099", 73050.0 + 86399.0 / 86400.0, {2099, 12, 31, 23, 59, 59}},
        {"just under a second rounds up", 1.0 + 0.6 / 86400.0, {1899, 12, 31, 0, 0, 1}},
        {"just under midnight rounds into the next day", 1.0 + 86399.7 / 86400.0, {1900, 1, 1, 0, 0, 0}},
        {"negative day just under midnight", -1.0 - 86399.7 / 86400.0, {1899, 12, 30, 0, 0, 0}},
        {"first day Jet holds", -657434.0, {100, 1, 1, 0, 0, 0}},
        {"last second Jet holds", 2958465.0 + 86399.0 / 86400.0, {9999, 12, 31, 23, 59, 59}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<DateTime> value = jet::DateTimeFromDays(c.days);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(jet::DateTimeText(*value), jet::DateTimeText(c.expected));
    }
}

TEST(JetDate, ValuesOutsideJetsRangeHaveNoDate) {
    for (const double days : {-657435.0, 2958466.0, 1e300, -1e300, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(days);
        EXPECT_FALSE(jet::DateTimeFromDays(days).has_value());
    }
}

TEST_F(JetFolder, JetFilesAreToldByTheirHeaderNotTheirName) {
    for (const char* sample :
         {"jackcess-test2V2000.mdb", "jackcess-testUnicodeCompV2003.mdb", "jackcess-testV1997.mdb", kSynthetic}) {
        EXPECT_TRUE(jet::IsJetFile(Copy(sample))) << sample;
    }
    const std::string renamed = Path("measurements.db");
    fs::copy_file(Path(kSynthetic), renamed);
    EXPECT_TRUE(jet::IsJetFile(renamed));

    Write(Path("sqlite.mdb"), std::string("SQLite format 3\0", 16) + std::string(100, '\0'));
    Write(Path("short.mdb"), std::string("\x00\x01\x00\x00Standard Jet", 16));
    Write(Path("empty.mdb"), "");
    for (const char* other : {"sqlite.mdb", "short.mdb", "empty.mdb", "missing.mdb"}) {
        EXPECT_FALSE(jet::IsJetFile(Path(other))) << other;
    }
}

TEST(SysSchema, FieldsAreFoundByNameInAnyCaseAndOrder) {
    using jet::ColumnType;
    const std::vector<jet::JetColumn> columns = {
        {"vid", ColumnType::Memo},   {"Extra", ColumnType::Boolean},     {"NUM", ColumnType::LongInteger},
        {"nn", ColumnType::Integer}, {"DataTime", ColumnType::DateTime}, {"W", ColumnType::Double},
        {"M", ColumnType::Single},   {"n", ColumnType::LongInteger},     {"T", ColumnType::Byte},
        {"type", ColumnType::Text},  {"Op", ColumnType::Text},
    };
    const auto found = jet::FindSysColumns("x.mdb", columns);
    const std::array<std::size_t, jet::kSysFieldCount> expected = {2, 3, 4, 5, 6, 7, 8, 9, 10, 0};
    EXPECT_EQ(found, expected);
}

TEST(SysSchema, AMissingFieldOrATypeThatLosesValuesIsNamed) {
    using jet::ColumnType;
    const std::vector<jet::JetColumn> complete = {
        {"Num", ColumnType::LongInteger}, {"NN", ColumnType::LongInteger}, {"DataTime", ColumnType::DateTime},
        {"W", ColumnType::Double},        {"m", ColumnType::Double},       {"N", ColumnType::Double},
        {"t", ColumnType::LongInteger},   {"Type", ColumnType::Text},      {"Op", ColumnType::Text},
        {"Vid", ColumnType::Text},
    };
    struct Case {
        const char* name;
        std::size_t column;
        std::optional<ColumnType> type;  // none: the column is dropped
        const char* message;
    };
    const Case cases[] = {
        {"no NN", 1, std::nullopt, "its table Sys has no field 'NN'."},
        {"no Vid", 9, std::nullopt, "its table Sys has no field 'Vid'."},
        {"a text for W", 3, ColumnType::Text,
         "the field 'W' of its table Sys is of type Text, where Double is needed."},
        {"a double for NN", 1, ColumnType::Double,
         "the field 'NN' of its table Sys is of type Double, where Long Integer is needed."},
        {"currency for m", 4, ColumnType::Currency,
         "the field 'm' of its table Sys is of type Currency, where Double is needed."},
        {"a text for DataTime", 2, ColumnType::Text,
         "the field 'DataTime' of its table Sys is of type Text, where Date/Time is needed."},
        {"a number for Op", 8, ColumnType::LongInteger,
         "the field 'Op' of its table Sys is of type Long Integer, where Text is needed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<jet::JetColumn> columns = complete;
        if (c.type) {
            columns[c.column].type = *c.type;
        } else {
            columns.erase(columns.begin() + static_cast<std::ptrdiff_t>(c.column));
        }
        try {
            jet::FindSysColumns("old.mdb", columns);
            ADD_FAILURE() << "accepted";
        } catch (const jet::JetError& error) {
            EXPECT_EQ(std::string(error.what()),
                      std::string("The Jet database 'old.mdb' cannot be imported: ") + c.message);
        }
    }
}

TEST(SysSchema, ASingleComesOverAsTheNumberItShows) {
    struct Case {
        const char* name;
        float single;
        double expected;
    };
    const Case cases[] = {
        {"a tenth", 0.1f, 0.1},
        {"a moisture", 12.3f, 12.3},
        {"a whole number", 750.0f, 750.0},
        {"the largest", 3.4028235e38f, 3.4028235e38},
        {"a denormal", 1e-45f, 1e-45},
        {"a negative", -21.7f, -21.7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(jet::SingleAsDouble(c.single), c.expected);
    }
    EXPECT_EQ(Bits(jet::SingleAsDouble(-0.0f)), Bits(-0.0));
}

TEST_F(JetFolder, EveryCellOfTheSyntheticTableIsReadAsMdbExportReadsIt) {
    const std::string file = Copy(kSynthetic);
    const std::vector<SysRow> rows = jet::ReadSysTable(file);
    const std::vector<std::vector<std::string>> exported = MdbExportRows(file, "Sys");
    ASSERT_EQ(rows.size(), kSyntheticRows);
    ASSERT_EQ(exported.size(), kSyntheticRows) << "is mdb-export (package mdbtools) installed?";

    std::map<std::string, const std::vector<std::string>*> exportedByNum;
    for (const auto& line : exported) {
        ASSERT_EQ(line.size(), jet::kSysFieldCount);
        exportedByNum[line[0]] = &line;
    }
    std::int32_t previousNum = 0;
    for (const SysRow& row : rows) {
        const auto* num = std::get_if<std::int32_t>(&row[0]);
        ASSERT_NE(num, nullptr);
        EXPECT_LT(previousNum, *num) << "rows sorted by Num";
        previousNum = *num;
        EXPECT_NE(*num % 997, 0) << "deleted rows stay deleted";
        const auto line = exportedByNum.find(std::to_string(*num));
        ASSERT_NE(line, exportedByNum.end()) << *num;
        for (std::size_t f = 0; f < jet::kSysFieldCount; ++f) {
            EXPECT_EQ(ExportText(row[f]), (*line->second)[f]) << "Num " << *num << " field " << jet::kSysFieldNames[f];
        }
        // Nothing but the text fields may be empty without being null; mdb-export shows both as nothing.
        for (std::size_t f = 0; f < 7; ++f) {
            EXPECT_FALSE(std::holds_alternative<std::string>(row[f]));
        }
    }
}

TEST_F(JetFolder, NullsStayNullAndEmptyTextsEmpty) {
    const std::vector<SysRow> rows = jet::ReadSysTable(Copy(kSynthetic));
    int emptyTypes = 0;
    int nullTypes = 0;
    int nullOps = 0;
    int opsExpectedNull = 0;
    int nullTs = 0;
    int tsExpectedNull = 0;
    int nullMs = 0;
    int msExpectedNull = 0;
    for (const SysRow& row : rows) {
        const int num = std::get<std::int32_t>(row[0]);
        const auto* type = std::get_if<std::string>(&row[7]);
        emptyTypes += type && type->empty();
        nullTypes += std::holds_alternative<std::monostate>(row[7]);
        nullOps += std::holds_alternative<std::monostate>(row[8]);
        opsExpectedNull += num % 5 == 0;
        nullTs += std::holds_alternative<std::monostate>(row[6]);
        tsExpectedNull += num % 13 == 0;
        nullMs += std::holds_alternative<std::monostate>(row[4]);
        msExpectedNull += num % 500 == 0;
        if (num % 5 == 0) {
            EXPECT_TRUE(std::holds_alternative<std::monostate>(row[8])) << num;
        }
        const auto* op = std::get_if<std::string>(&row[8]);
        EXPECT_TRUE(!op || !op->empty()) << num;
    }
    EXPECT_EQ(emptyTypes, 500);
    EXPECT_EQ(nullTypes, 0);
    EXPECT_EQ(nullOps, opsExpectedNull);
    EXPECT_EQ(nullTs, tsExpectedNull);
    EXPECT_EQ(nullMs, msExpectedNull);
}

TEST_F(JetFolder, ExtremeDoublesDatesAndTextsComeOverExactly) {
    const std::vector<SysRow> rows = jet::ReadSysTable(Copy(kSynthetic));
    ASSERT_GE(rows.size(), 8u);
    const double w[] = {0.1 + 0.2, 1.0 / 3.0, 12.345678901234567, -0.0, 1e-10, 123456789.123456789, 14.7, 2.5e300};
    for (std::size_t r = 0; r < 8; ++r) {
        if (r == 6) {
            continue;  // an ordinary value
        }
        SCOPED_TRACE(r + 1);
        ASSERT_EQ(std::get<std::int32_t>(rows[r][0]), static_cast<std::int32_t>(r + 1));
        EXPECT_EQ(Bits(std::get<double>(rows[r][3])), Bits(w[r]));  // bit for bit: -0.0 keeps its sign
    }
    EXPECT_EQ(jet::DateTimeText(std::get<DateTime>(rows[3][2])), "1899-12-30 00:00:00");
    EXPECT_EQ(jet::DateTimeText(std::get<DateTime>(rows[4][2])), "2099-12-31 23:59:59");
    // 50 Cyrillic characters, two bytes each in UTF-8.
    EXPECT_EQ(std::get<std::string>(rows[4][9]), [] {
        std::string text;
        for (int i = 0; i < 50; ++i) {
            text += "Ё";
        }
        return text;
    }());
    EXPECT_EQ(std::get<std::string>(rows[3][9]), "mixed: Mix-1 / смесь №2");
}

TEST_F(JetFolder, DatabasesWithoutTheTableSysAreRefusedSayingSo) {
    for (const char* sample :
         {"jackcess-test2V2000.mdb", "jackcess-testUnicodeCompV2003.mdb", "jackcess-testV1997.mdb"}) {
        const std::string file = Copy(sample);
        EXPECT_EQ(RefusalOf(file), "The Jet database '" + file + "' cannot be imported: it has no table Sys.");
    }
}

TEST_F(JetFolder, ASysTableWithoutOneOfTheFieldsIsRefusedNamingIt) {
    // The field names are kept in UTF-16 in the table's definition; renaming one there keeps everything else valid.
    std::string bytes = Bytes(Copy(kSynthetic));
    const std::string vid("V\0i\0d\0", 6);
    const std::size_t at = bytes.find(vid);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(bytes.find(vid, at + 1), std::string::npos);
    bytes[at + 4] = 'x';
    const std::string file = Path("renamed-field.mdb");
    Write(file, bytes);
    EXPECT_EQ(RefusalOf(file), "The Jet database '" + file + "' cannot be imported: its table Sys has no field 'Vid'.");
}

// The first page after the last data page (type 1) of the file: what follows holds no rows.
std::size_t EndOfLastDataPage(const std::string& bytes) {
    constexpr std::size_t kPage = 4096;
    std::size_t end = 0;
    for (std::size_t page = 0; page * kPage < bytes.size(); ++page) {
        if (bytes[page * kPage] == 1) {
            end = (page + 1) * kPage;
        }
    }
    return end;
}

TEST_F(JetFolder, AFileCutShortIsRefusedAsIncomplete) {
    const std::string bytes = Bytes(Copy(kSynthetic));
    const std::size_t endOfData = EndOfLastDataPage(bytes);
    ASSERT_LT(endOfData, bytes.size());
    struct Case {
        const char* name;
        std::size_t size;
    };
    const Case cases[] = {
        {"without the last data page", endOfData - 4096},
        {"cut in half at a page boundary", bytes.size() / 2 / 4096 * 4096},
        {"cut inside a page", bytes.size() - 1000},
        {"cut inside the last data page", endOfData - 1},
        {"the first page only", 4096},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = Path(std::string("cut-") + std::to_string(c.size) + ".mdb");
        Write(file, bytes.substr(0, c.size));
        const std::string message = RefusalOf(file);
        EXPECT_EQ(message.find("The Jet database '" + file + "' is damaged or incomplete: "), 0u) << message;
        EXPECT_EQ(Bytes(file), bytes.substr(0, c.size)) << "read only";
    }
}

TEST_F(JetFolder, AFileThatLostOnlyIndexPagesStillGivesEveryRow) {
    // The rows are counted against the table's own row count, so whatever is missing after the data is harmless.
    const std::string bytes = Bytes(Copy(kSynthetic));
    const std::string file = Path("without-index.mdb");
    Write(file, bytes.substr(0, EndOfLastDataPage(bytes)));
    EXPECT_EQ(jet::ReadSysTable(file).size(), kSyntheticRows);
}

TEST_F(JetFolder, WhatIsNoJetDatabaseCannotBeOpened) {
    Write(Path("text.mdb"), std::string(8192, 'x'));
    EXPECT_EQ(RefusalOf(Path("text.mdb")),
              "The Jet database '" + Path("text.mdb") + "' cannot be opened: it is no Jet database or it is damaged.");
    const std::string missing = RefusalOf(Path("missing.mdb"));
    EXPECT_NE(missing.find("cannot be read"), std::string::npos) << missing;
}

TEST_F(JetFolder, TheFileIsNeverChanged) {
    const std::string file = Copy(kSynthetic);
    const std::string before = Bytes(file);
    const auto modified = fs::last_write_time(file);
    jet::ReadSysTable(file);
    EXPECT_EQ(Bytes(file), before);
    EXPECT_EQ(fs::last_write_time(file), modified);
}
