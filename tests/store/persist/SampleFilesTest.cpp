// Every recordset real ADO saved must read, print the same from its binary and its XML file, and come
// back the same after our writers; for recordsets built in memory our binary bytes must be ADO's.
#include "tests/store/persist/SampleFiles.h"

#include "store/persist/AdtgReader.h"
#include "store/persist/AdtgWriter.h"
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
