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
        AdtgReader(text::AnsiCodePage(kSampleCodePage)).Read(bytes);
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

// The message names what is wrong, so that a damaged file can be told from an unsupported one.
void ExpectErrorText(const std::string& bytes, const std::string& expected) {
    try {
        AdtgReader(text::AnsiCodePage(kSampleCodePage)).Read(bytes);
        ADD_FAILURE() << expected << ": read without error";
    } catch (const PersistError& error) {
        EXPECT_EQ(error.what(), expected);
    }
}

TEST(AdtgReader, StructuralFaultsAreNamed) {
    ExpectErrorText("plain text, not a table", "not a TableGram: the header is missing");
    std::string signature = Sample("generated__empty.adtg");
    signature[2] = 'X';  // "TG!" becomes "XG!"
    ExpectErrorText(signature, "not a TableGram: the signature is wrong");
    std::string counts = Sample("generated__empty.adtg");
    counts[0x3D] = 3;  // three columns announced, two described
    ExpectErrorText(counts, "the column count does not match the column descriptors");
    std::string type = Sample("generated__empty.adtg");
    type[0x10E + 3 + 3 + 2 + 2 + 4] = '\x8B';  // ID becomes a VARNUMERIC, which is not supported
    ExpectErrorText(type, "column 'ID' has the unsupported type 0x8B");
    std::string token = Sample("generated__nulls.adtg");
    token[token.size() - 1] = '\x42';
    ExpectErrorText(token, "unexpected element 0x42 among the rows at byte " + std::to_string(token.size() - 1));
}

TEST(AdtgReader, ManyEmptyValuesCannotExhaustMemory) {
    // 2000 columns of an empty type and rows of one byte each: the reader must refuse before allocating.
    Recordset recordset;
    for (int i = 0; i < 2000; ++i) {
        Column column;
        column.name = "c" + std::to_string(i);
        column.type = DataType::Empty;
        column.flags = ColumnFlag::kFixedLength;
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
    column.flags = ColumnFlag::kWrite | ColumnFlag::kNullable;
    column.autoIncrement = false;
    recordset.columns.push_back(column);
    Row row;
    row.values = {std::string("Пшеница")};
    recordset.rows.push_back(row);
    const std::string bytes = AdtgWriter().Write(recordset);
    EXPECT_NE(bytes.find("\xCF\xF8\xE5\xED\xE8\xF6\xE0"), std::string::npos);  // "Пшеница" in 1251
    EXPECT_EQ(PrintRecordset(recordset), PrintRecordset(AdtgReader().Read(bytes)));
}

// A wide and an 8-bit text column, each holding "ЖЖЖ"; the wide one is named "ЩЩЩ".
Recordset TwoTextColumns() {
    Recordset recordset;
    for (const DataType type : {DataType::WStr, DataType::Str}) {
        Column column;
        column.name = type == DataType::WStr ? "ЩЩЩ" : "Вид";
        column.type = type;
        column.maxLength = 50;
        column.flags = ColumnFlag::kWrite | ColumnFlag::kNullable;
        recordset.columns.push_back(column);
    }
    Row row;
    row.values = {std::string("ЖЖЖ"), std::string("ЖЖЖ")};
    recordset.rows.push_back(row);
    return recordset;
}

// Text that cannot be converted is a fault of the file like any other: a PersistError, which the callers catch.
TEST(AdtgWriter, TextThatCannotBeConvertedIsAPersistError) {
    const Recordset good = TwoTextColumns();
    ASSERT_NO_THROW(AdtgWriter().Write(good));
    for (const std::size_t column : {0, 1}) {
        Recordset bad = good;
        bad.rows[0].values[column] = std::string("Ж\xD0");
        EXPECT_THROW(AdtgWriter().Write(bad), PersistError) << column;
    }
    Recordset badName = good;
    badName.columns[0].name = "\xC0\xAF";
    EXPECT_THROW(AdtgWriter().Write(badName), PersistError);
    EXPECT_THROW(AdtgWriter(text::AnsiCodePage(4242)).Write(good), PersistError);
}

TEST(AdtgReader, TextThatCannotBeConvertedIsAPersistError) {
    const std::string bytes = AdtgWriter().Write(TwoTextColumns());
    ASSERT_NO_THROW(AdtgReader().Read(bytes));
    // An unpaired surrogate in place of the middle letter, in the value and in the column's name.
    for (const std::string& wide : {std::string("\x16\x04\x16\x04\x16\x04"), std::string("\x29\x04\x29\x04\x29\x04")}) {
        std::string bad = bytes;
        const std::size_t at = bad.find(wide);
        ASSERT_NE(at, std::string::npos);
        bad.replace(at + 2, 2, std::string("\x00\xDC", 2));
        EXPECT_THROW(AdtgReader().Read(bad), PersistError);
    }
    EXPECT_THROW(AdtgReader(text::AnsiCodePage(4242)).Read(bytes), PersistError);
}

TEST(AdtgWriter, ValuesThatDoNotFitTheirColumnAreRefused) {
    Recordset recordset;
    Column column;
    column.name = "Op";
    column.type = DataType::WStr;
    column.maxLength = 5;
    column.flags = ColumnFlag::kNullable;
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
