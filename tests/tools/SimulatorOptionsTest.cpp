#include "tools/meter-sim/SimulatorOptions.h"

#include <gtest/gtest.h>

namespace {

TEST(SimulatorOptions, DefaultsServeAGeneratedArchiveAt9600Baud) {
    const SimulatorOptions o = ParseSimulatorOptions({});
    EXPECT_EQ(o.generateCount, 30);
    EXPECT_EQ(o.seed, 1u);
    EXPECT_EQ(o.baud, 9600);
    EXPECT_FALSE(o.csvPath);
    EXPECT_TRUE(o.lineEnd);
}

TEST(SimulatorOptions, ReadsValuesInBothForms) {
    const SimulatorOptions o = ParseSimulatorOptions({"--generate", "5", "--seed=9", "--baud=0", "--garble", "2",
                                                      "--garble=4", "--reply-delay", "250", "--vanish-after", "0",
                                                      "--link", "/tmp/m", "--quiet", "--no-line-end"});
    EXPECT_EQ(o.generateCount, 5);
    EXPECT_EQ(o.seed, 9u);
    EXPECT_EQ(o.baud, 0);
    EXPECT_EQ(o.failures.garbledRecords, (std::set<int>{2, 4}));
    EXPECT_EQ(o.failures.replyDelay, std::chrono::milliseconds(250));
    EXPECT_EQ(o.failures.vanishAfter, 0);
    EXPECT_EQ(o.linkPath, "/tmp/m");
    EXPECT_TRUE(o.quiet);
    EXPECT_FALSE(o.lineEnd);
}

TEST(SimulatorOptions, LineShapeOptions) {
    EXPECT_EQ(ReplyTrailer(ParseSimulatorOptions({})), "\r\n");
    EXPECT_EQ(ReplyTrailer(ParseSimulatorOptions({"--no-line-end"})), "");
    EXPECT_EQ(ReplyTrailer(ParseSimulatorOptions({"--trailer", "0D0a"})), "\r\n");
    EXPECT_EQ(ReplyTrailer(ParseSimulatorOptions({"--trailer=00ff"})), std::string("\0\xff", 2));
    EXPECT_EQ(ReplyTrailer(ParseSimulatorOptions({"--trailer="})), "");
    const SimulatorOptions o = ParseSimulatorOptions({"--chunk-gap", "5", "--think=30"});
    EXPECT_EQ(o.failures.chunkGap, std::chrono::milliseconds(5));
    EXPECT_EQ(o.failures.replyDelay, std::chrono::milliseconds(30));
}

TEST(SimulatorOptions, RefusesWhatItCannotFollow) {
    const std::vector<std::vector<std::string>> bad = {
        {"--generate"},          {"--generate", "-1"},
        {"--generate", "65536"}, {"--baud", "fast"},
        {"--short-reply", "0"},  {"--csv", "a", "--generate", "3"},
        {"--quiet=yes"},         {"--bogus"},
        {"--seed", "1x"},        {"--trailer", "0d0"},
        {"--trailer", "zz"},     {"--trailer", "0a", "--no-line-end"},
        {"--chunk-gap", "-1"},   {"--think", "soon"},
    };
    for (const auto& arguments : bad) {
        EXPECT_THROW(ParseSimulatorOptions(arguments), UsageError) << arguments.front();
    }
}

}  // namespace
