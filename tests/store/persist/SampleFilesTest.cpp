// Every recordset real ADO saved must read, print the same from its binary and its XML file, and come
// back the same after our writers; for recordsets built in memory our binary bytes must be ADO's.
#include "tests/store/persist/SampleFiles.h"

#include "store/persist/AdtgReader.h"
#include "store/persist/AdtgWriter.h"
#include "store/persist/ColumnFit.h"
#include "store/persist/PersistError.h"
#include "store/persist/RecordsetFile.h"
#include "store/persist/RecordsetPrinter.h"
#include "store/persist/RowsetXmlReader.h"
#include "store/persist/RowsetXmlWriter.h"

#include <gtest/gtest.h>

using namespace persist;

namespace {

const text::AnsiCodePage kCodePage(kSampleCodePage);

std::string Print(const std::filesystem::path& file) {
    return PrintRecordset(ReadRecordset(ReadFileBytes(file.string()), kCodePage));
}

std::vector<std::filesystem::path> AllSamples() {
    auto files = SampleFiles("adtg-samples", ".adtg");
    const auto xml = SampleFiles("xml-samples", ".xml");
    files.insert(files.end(), xml.begin(), xml.end());
    return files;
}

TEST(SampleFiles, EveryOneReads) {
    const auto files = AllSamples();
    ASSERT_GT(files.size(), 150u);
    for (const auto& file : files) {
        EXPECT_NO_THROW(Print(file)) << file.filename();
    }
}

TEST(SampleFiles, BinaryAndXmlPrintTheSame) {
    int compared = 0;
    for (const auto& adtg : SampleFiles("adtg-samples", ".adtg")) {
        const std::string name = adtg.stem().string();
        for (const char* suffix : {".xml", ".roundtrip.xml"}) {
            const auto xml = FormatsDir() / "xml-samples" / (name + suffix);
            if (!std::filesystem::exists(xml)) {
                continue;
            }
            EXPECT_EQ(Print(adtg), Print(xml)) << name << suffix;
            ++compared;
        }
    }
    EXPECT_GT(compared, 80);
}

TEST(SampleFiles, OurWritersKeepEverythingThePrintShows) {
    for (const auto& file : AllSamples()) {
        const Recordset read = ReadRecordset(ReadFileBytes(file.string()), kCodePage);
        const std::string printed = PrintRecordset(read);
        const std::string adtg = AdtgWriter(kCodePage).Write(read);
        EXPECT_EQ(printed, PrintRecordset(AdtgReader(kCodePage).Read(adtg))) << file.filename() << " as ADTG";
        bool childChanges = false;
        for (const Recordset& child : read.children) {
            for (const Row& row : child.rows) {
                childChanges = childChanges || row.state != RowState::Unchanged;
            }
        }
        if (childChanges) {
            EXPECT_THROW(RowsetXmlWriter().Write(read), PersistError) << file.filename();
            continue;
        }
        const std::string xml = RowsetXmlWriter().Write(read);
        EXPECT_EQ(printed, PrintRecordset(RowsetXmlReader().Read(xml))) << file.filename() << " as XML";
    }
}

TEST(SampleFiles, RecordsetsBuiltInMemoryGetAdosVeryBytes) {
    int compared = 0;
    for (const auto& file : SampleFiles("adtg-samples", ".adtg")) {
        const std::string name = file.filename().string();
        if (name.rfind("generated__", 0) != 0 && name.rfind("exhaustive__", 0) != 0) {
            continue;
        }
        const std::string bytes = ReadFileBytes(file.string());
        EXPECT_EQ(bytes, AdtgWriter(kCodePage).Write(AdtgReader(kCodePage).Read(bytes))) << name;
        ++compared;
    }
    EXPECT_GT(compared, 40);
}

// Fitting the columns to their values changes nothing in a file that ADO wrote, where every value fits.
TEST(SampleFiles, FittingTheColumnsKeepsAdosBytes) {
    for (const auto& file : SampleFiles("adtg-samples", ".adtg")) {
        const std::string bytes = ReadFileBytes(file.string());
        Recordset read = AdtgReader(kCodePage).Read(bytes);
        const std::string before = AdtgWriter(kCodePage).Write(read);
        FitTextColumnsToValues(read, kCodePage);
        EXPECT_EQ(before, AdtgWriter(kCodePage).Write(read)) << file.filename();
    }
}

// A text longer than its column, in a recordset as ADO wrote it, is refused by the writer until its column is
// declared as wide as the text: in UTF-16 units for a Unicode column, in the code page's bytes for an 8-bit one (two
// for a Korean syllable in code page 949). The file then reads back the same, and again the same after our writers.
TEST(SampleFiles, ATextLongerThanItsColumnIsSavedOnceTheColumnFitsIt) {
    struct Case {
        const char* sample;
        std::string text;
        std::uint32_t width;
    };
    const std::string hangul = "\xED\x95\x9C";  // U+D55C, one UTF-16 unit, two bytes in code page 949
    std::string wide(300, 'x');
    std::string korean;
    for (int i = 0; i < 100; ++i) {
        korean += hangul;
    }
    for (const Case& c : {Case{"exhaustive__flat_VarWChar_states", wide + hangul, 301},
                          Case{"exhaustive__flat_VarChar_states", korean, 200}}) {
        const auto path = FormatsDir() / "adtg-samples" / (std::string(c.sample) + ".adtg");
        Recordset read = ReadRecordset(ReadFileBytes(path.string()), kCodePage);
        ASSERT_EQ(read.columns.size(), 2u) << c.sample;
        ASSERT_LT(read.columns[1].maxLength, c.width) << c.sample;
        Row* changed = nullptr;
        for (Row& row : read.rows) {
            if (row.state == RowState::Changed) {
                changed = &row;
            }
        }
        ASSERT_NE(changed, nullptr) << c.sample;
        changed->original[1] = c.text;  // both the value read and the one it was changed to
        changed->values[1] = c.text;
        EXPECT_THROW(AdtgWriter(kCodePage).Write(read), PersistError) << c.sample;

        FitTextColumnsToValues(read, kCodePage);
        EXPECT_EQ(read.columns[1].maxLength, c.width) << c.sample;
        const std::string adtg = AdtgWriter(kCodePage).Write(read);
        const Recordset back = AdtgReader(kCodePage).Read(adtg);
        EXPECT_EQ(PrintRecordset(read), PrintRecordset(back)) << c.sample;
        EXPECT_EQ(adtg, AdtgWriter(kCodePage).Write(back)) << c.sample;
        EXPECT_EQ(PrintRecordset(read), PrintRecordset(RowsetXmlReader().Read(RowsetXmlWriter().Write(read))))
            << c.sample;
    }
}

TEST(SampleFiles, XmlOfARecordsetBuiltInMemoryWritesBackAsAdtg) {
    // ADO's own XML of the same recordset gives ADO's binary bytes too.
    for (const char* name : {"generated__types_basic", "exhaustive__flat_Integer_null_states",
                             "exhaustive__flat_VarWChar_states", "exhaustive__flat_Date_boundaries"}) {
        const std::string xml = ReadFileBytes((FormatsDir() / "xml-samples" / (std::string(name) + ".xml")).string());
        const std::string adtg =
            ReadFileBytes((FormatsDir() / "adtg-samples" / (std::string(name) + ".adtg")).string());
        EXPECT_EQ(adtg, AdtgWriter(kCodePage).Write(RowsetXmlReader().Read(xml))) << name;
    }
}

}  // namespace
