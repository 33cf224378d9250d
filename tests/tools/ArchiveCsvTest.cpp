#include "tools/meter-sim/ArchiveCsv.h"
#include "tools/meter-sim/ArchiveGenerator.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<ArchiveRecord> Read(const std::string& text) {
    std::istringstream in(text);
    return ReadArchiveCsv(in);
}

std::string Written(const std::vector<ArchiveRecord>& archive) {
    std::ostringstream out;
    WriteArchiveCsv(out, archive);
    return out.str();
}

TEST(ArchiveCsv, ReadsEveryColumn) {
    const auto archive = Read(
        "\xEF\xBB\xBFnumber,date_time,grain,W,N,m,t,calibration\r\n"
        "1,03.12.2007 09:07:05,Пшеница,14.5,750,150.0,-5.5,0\r\n"
        "# a comment\n"
        "\n"
        "2,29.02.2024 00:00:00,\"Рожь, \"\"озимая\"\"\",-0.1,,,-0.5,1\n");
    ASSERT_EQ(archive.size(), 2u);
    EXPECT_EQ(archive[0].when.Text(), "03.12.2007 09:07:05");
    EXPECT_EQ(archive[0].grain, "Пшеница");
    EXPECT_EQ(archive[0].moistureTenths, 145);
    EXPECT_EQ(archive[0].testWeight, 750);
    EXPECT_EQ(archive[0].massTenths, 1500);
    EXPECT_EQ(archive[0].temperatureTenths, -55);
    EXPECT_EQ(archive[0].calibration, 0);
    EXPECT_EQ(archive[1].grain, "Рожь, \"озимая\"");
    EXPECT_EQ(archive[1].moistureTenths, -1);
    EXPECT_FALSE(archive[1].testWeight);
    EXPECT_FALSE(archive[1].massTenths);
    EXPECT_EQ(archive[1].temperatureTenths, -5);
    EXPECT_EQ(archive[1].calibration, 1);
}

TEST(ArchiveCsv, GeneratedArchiveSurvivesWritingAndReading) {
    const auto archive = GenerateArchive(3000, 42);
    EXPECT_EQ(Read(Written(archive)), archive);
}

TEST(ArchiveCsv, BadLinesAreReportedWithLineAndField) {
    struct Case {
        std::string line;
        std::string message;
    };
    const Case cases[] = {
        {"1,03.12.2007 09:07:05,Рожь,14.5,750,150.0,-5.5", "line 2: expected 8 fields"},
        {"2,03.12.2007 09:07:05,Рожь,14.5,750,150.0,-5.5,0", "line 2, number \"2\""},
        {"1,31.02.2007 09:07:05,Рожь,14.5,750,150.0,-5.5,0", "line 2, date_time \"31.02.2007 09:07:05\""},
        {"1,03.12.1999 09:07:05,Рожь,14.5,750,150.0,-5.5,0", "line 2, date_time"},
        {"1,3.12.2007 9:07:05,Рожь,14.5,750,150.0,-5.5,0", "line 2, date_time"},
        {"1,03.12.2007 09:07:05,Пшеница мягкая яровая 2 кл.,14.5,750,150.0,-5.5,0", "line 2, grain"},
        {"1,03.12.2007 09:07:05,麦,14.5,750,150.0,-5.5,0", "line 2, grain"},
        {"1,03.12.2007 09:07:05,Рожь,14.55,750,150.0,-5.5,0", "line 2, W \"14.55\""},
        {"1,03.12.2007 09:07:05,Рожь,,750,150.0,-5.5,0", "line 2, W"},
        {"1,03.12.2007 09:07:05,Рожь,3276.8,750,150.0,-5.5,0", "line 2, W"},
        {"1,03.12.2007 09:07:05,Рожь,14.5,-1,150.0,-5.5,0", "line 2, N \"-1\""},
        {"1,03.12.2007 09:07:05,Рожь,14.5,750.5,150.0,-5.5,0", "line 2, N"},
        {"1,03.12.2007 09:07:05,Рожь,14.5,750,-0.1,-5.5,0", "line 2, m \"-0.1\""},
        {"1,03.12.2007 09:07:05,Рожь,14.5,750,150.0,abc,0", "line 2, t \"abc\""},
        {"1,03.12.2007 09:07:05,Рожь,14.5,750,150.0,-5.5,256", "line 2, calibration"},
        {"1,03.12.2007 09:07:05,Рожь,14.5,750,150.0,-5.5,2", "line 2, calibration \"2\""},
        {"1,03.12.2007 09:07:05,Рожь,14.5,750,150.0,-5.5,-1", "line 2, calibration"},
        {"1,03.12.2007 09:07:05,Рожь,14.5,750,150.0," + std::string(100000, '7') + ",0",
         "line 2, t \"" + std::string(200, '7') + "...\": "},
        {"1,03.12.2007 09:07:05,\"Рожь,14.5,750,150.0,-5.5,0", "line 2: a quoted field is not closed"},
    };
    for (const Case& c : cases) {
        try {
            Read(std::string("number,date_time,grain,W,N,m,t,calibration\n") + c.line + "\n");
            ADD_FAILURE() << "accepted: " << c.line;
        } catch (const ArchiveCsvError& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with(c.message)) << error.what();
        }
    }
}

TEST(ArchiveGenerator, IsDeterministicAndVaried) {
    const auto archive = GenerateArchive(5000, 1);
    EXPECT_EQ(archive, GenerateArchive(5000, 1));
    EXPECT_NE(archive, GenerateArchive(5000, 2));
    int negativeTemperatures = 0, missingWeights = 0, missingMasses = 0, individual = 0;
    for (std::size_t i = 0; i < archive.size(); ++i) {
        const ArchiveRecord& r = archive[i];
        ASSERT_NO_THROW(ArchiveRecordToBytes(r)) << i;
        ASSERT_TRUE(r.when.IsValid()) << i;
        negativeTemperatures += r.temperatureTenths < 0;
        missingWeights += !r.testWeight;
        missingMasses += !r.massTenths;
        individual += r.calibration != 0;
    }
    EXPECT_GT(negativeTemperatures, 100);
    EXPECT_GT(missingWeights, 100);
    EXPECT_GT(missingMasses, 100);
    EXPECT_GT(individual, 100);
    EXPECT_EQ(GenerateArchive(65535, 3).back().when.IsValid(), true);
}

}  // namespace
