// The binary reader never trusts the file: cut, stretched or corrupted input raises PersistError.
#include "tests/store/persist/SampleFiles.h"

#include "store/persist/AdtgReader.h"
#include "store/persist/AdtgWriter.h"
#include "store/persist/PersistError.h"
#include "store/persist/RecordsetFile.h"
#include "store/persist/RecordsetPrinter.h"
#include "store/persist/ValueText.h"

#include <gtest/gtest.h>

using namespace persist;

namespace {

std::string Sample(const char* name) {
    return ReadFileBytes((FormatsDir() / "adtg-samples" / name).string());
}

void ExpectError(const std::string& bytes, const std::string& label) {
    try {
        AdtgReader(AnsiCodePage(kSampleCodePage)).Read(bytes);
        ADD_FAILURE() << label << ": read without error";
    } catch (const PersistError& error) {
        EXPECT_STRNE(error.what(), "") << label;
    }
}

TEST(AdtgReader, EveryCutOfAFileIsAnError) {
    for (const char* name : {"exhaustive__flat_WChar_states.adtg", "shape__orders_pending_changes_shape.adtg",
                             "fuzz__large_varlen_fields.adtg"}) {
        const std::string bytes = Sample(name);
        for (std::size_t size = 0; size < bytes.size(); ++size) {
            ExpectError(bytes.substr(0, size), std::string(name) + " cut at " + std::to_string(size));
        }
    }
}

TEST(AdtgReader, DataAfterTheEndIsAnError) {
    ExpectError(Sample("generated__nulls.adtg") + "x", "trailing byte");
}

TEST(AdtgReader, LengthsThatReachPastTheEndAreErrors) {
    const std::string bytes = Sample("generated__long_text.adtg");
    // The 4-byte length of the one long text value sits right after the update and force-null maps.
    const std::size_t row = bytes.rfind('\x0D');
    ASSERT_NE(row, std::string::npos);
    for (const char* length : {"\xFF\xFF\xFF\x7F", "\xFF\xFF\xFF\xFF", "\x00\x00\x01\x00"}) {
        std::string stretched = bytes;
        // ID is 4 bytes after the two one-byte maps; the text's length prefix follows it.
        stretched.replace(row + 3 + 4, 4, length, 4);
        ExpectError(stretched, "stretched text length");
    }
    std::string name = Sample("generated__empty.adtg");
    name[0x10E + 8] = '\x7F';  // the name length of the first column descriptor
    ExpectError(name, "name longer than its descriptor");
}

TEST(AdtgReader, StructuralFaultsAreNamed) {
    std::string notAdtg = "plain text, not a table";
    ExpectError(notAdtg, "text");
    std::string counts = Sample("generated__empty.adtg");
    counts[0x3D] = 3;  // three columns announced, two described
    ExpectError(counts, "column count");
    std::string type = Sample("generated__empty.adtg");
    type[0x10E + 3 + 3 + 2 + 2 + 4] = '\x8B';  // ID becomes a VARNUMERIC, which is not supported
    ExpectError(type, "unsupported type");
    std::string token = Sample("generated__nulls.adtg");
    token[token.size() - 1] = '\x42';
    ExpectError(token, "unknown token at the end");
}

TEST(AdtgReader, ManyEmptyValuesCannotExhaustMemory) {
    // 2000 columns of an empty type and rows of one byte each: the reader must refuse before allocating.
    Recordset recordset;
    for (int i = 0; i < 2000; ++i) {
        Column column;
        column.name = "c" + std::to_string(i);
        column.type = DataType::Empty;
        column.flags = ColumnFlag::FixedLength;
        column.autoIncrement = false;
        recordset.columns.push_back(column);
    }
    std::string bytes = AdtgWriter().Write(recordset);
    bytes.pop_back();
    bytes.append(100000, '\x07');
    bytes.push_back('\x0F');
    ExpectError(bytes, "empty columns");
}

TEST(AdtgWriter, CyrillicAnsiTextGoesThroughCodePage1251) {
    Recordset recordset;
    Column column;
    column.name = "Вид";
    column.type = DataType::Str;
    column.maxLength = 50;
    column.flags = ColumnFlag::Write | ColumnFlag::Nullable;
    column.autoIncrement = false;
    recordset.columns.push_back(column);
    Row row;
    row.values = {std::string("Пшеница")};
    recordset.rows.push_back(row);
    const std::string bytes = AdtgWriter().Write(recordset);
    EXPECT_NE(bytes.find("\xCF\xF8\xE5\xED\xE8\xF6\xE0"), std::string::npos);  // "Пшеница" in 1251
    EXPECT_EQ(PrintRecordset(recordset), PrintRecordset(AdtgReader().Read(bytes)));
}

TEST(AnsiCodePage, EveryByteOf1251ComesBackUnchanged) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const AnsiCodePage cp1251(1251);
    const std::string utf8 = cp1251.ToUtf8(all);
    EXPECT_EQ(cp1251.FromUtf8(utf8), all);  // 0x98, undefined in 1251, included
    EXPECT_EQ(cp1251.FromUtf8("Ж 한"), "\xC6 ?");
}

TEST(AdtgWriter, ValuesThatDoNotFitTheirColumnAreRefused) {
    Recordset recordset;
    Column column;
    column.name = "Op";
    column.type = DataType::WStr;
    column.maxLength = 5;
    column.flags = ColumnFlag::Nullable;
    recordset.columns.push_back(column);
    Row row;
    row.values = {std::string("шесть!")};
    recordset.rows.push_back(row);
    EXPECT_THROW(AdtgWriter().Write(recordset), PersistError);
    recordset.rows[0].values = {std::string("пять!")};
    EXPECT_NO_THROW(AdtgWriter().Write(recordset));
    recordset.columns[0].flags = 0;  // not nullable
    recordset.rows[0].values = {std::nullopt};
    EXPECT_THROW(AdtgWriter().Write(recordset), PersistError);
}

}  // namespace
