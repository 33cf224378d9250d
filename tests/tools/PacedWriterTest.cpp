#include "tools/meter-sim/PacedWriter.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

class PacedWriterTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(pipe2(fds_, O_NONBLOCK), 0); }
    void TearDown() override {
        close(fds_[0]);
        close(fds_[1]);
    }
    std::string Drain() {
        char buffer[4096];
        const ssize_t n = read(fds_[0], buffer, sizeof buffer);
        return n > 0 ? std::string(buffer, std::size_t(n)) : std::string();
    }
    int fds_[2];
    const PacedWriter::Clock::time_point t0{};
};

// At 1000 baud a byte takes 10 ms.
TEST_F(PacedWriterTest, SendsNoFasterThanTheLine) {
    PacedWriter writer(fds_[1], 1000);
    writer.Queue(0ms, "abcdefghij", t0);
    EXPECT_EQ(writer.WriteDue(t0), t0 + 10ms);
    EXPECT_EQ(Drain(), "a");
    EXPECT_EQ(writer.WriteDue(t0 + 35ms), t0 + 40ms);
    EXPECT_EQ(Drain(), "bcd");
    EXPECT_EQ(writer.WriteDue(t0 + 95ms), std::nullopt);
    EXPECT_EQ(Drain(), "efghij");
    EXPECT_TRUE(writer.Idle());
}

TEST_F(PacedWriterTest, PauseCountsFromTheEndOfThePreviousPiece) {
    PacedWriter writer(fds_[1], 1000);
    writer.Queue(5ms, "ab", t0);
    writer.Queue(100ms, "cd", t0);
    EXPECT_EQ(writer.WriteDue(t0), t0 + 5ms);
    EXPECT_EQ(writer.WriteDue(t0 + 15ms), t0 + 125ms);  // "ab" ends at 25 ms
    EXPECT_EQ(Drain(), "ab");
    EXPECT_EQ(writer.WriteDue(t0 + 124ms), t0 + 125ms);
    EXPECT_EQ(Drain(), "");
    EXPECT_EQ(writer.WriteDue(t0 + 140ms), std::nullopt);
    EXPECT_EQ(Drain(), "cd");
}

TEST_F(PacedWriterTest, WithoutPacingSendsAtOnce) {
    PacedWriter writer(fds_[1], 0);
    writer.Queue(0ms, std::string(500, 'x'), t0);
    EXPECT_EQ(writer.WriteDue(t0), std::nullopt);
    EXPECT_EQ(Drain().size(), 500u);
}

}  // namespace
