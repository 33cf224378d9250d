#include "serial/SlBuffer.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <string>
#include <vector>

namespace {

struct RingFixture : ::testing::Test {
    TSlBuffer ring{nullptr};
    int changes = 0;
    int overflows = 0;

    void SetUp() override {
        ring.OnChange = [this](TSlComponent*) { ++changes; };
        ring.OnOverflow = [this](TSlComponent*) { ++overflows; };
    }
    bool Write(const std::string& bytes) { return ring.Write(bytes.data(), int(bytes.size())); }
    std::string Read(int count) {
        std::string bytes(std::size_t(count), '\0');
        return ring.Read(bytes.data(), count) ? bytes : std::string("<refused>");
    }
};

TEST_F(RingFixture, StartsEmptyWithDefaultCapacityAndResizes) {
    EXPECT_EQ(ring.BufUsed(), 0);
    EXPECT_EQ(ring.BufFree(), 2048);
    ring.SetSize(4096);
    EXPECT_EQ(ring.BufUsed(), 0);
    EXPECT_EQ(ring.BufFree(), 4096);
}

TEST_F(RingFixture, FillingExactlyMakesItFullAndRefusesOneMore) {
    ring.SetSize(8);
    ASSERT_TRUE(Write("abc"));
    ASSERT_TRUE(Write("defgh"));
    EXPECT_EQ(ring.BufUsed(), 8);
    EXPECT_EQ(ring.BufFree(), 0);
    EXPECT_FALSE(Write("x"));
    EXPECT_EQ(overflows, 1);
    EXPECT_EQ(Read(8), "abcdefgh");
    EXPECT_EQ(ring.BufUsed(), 0);  // empty again although the indexes did not go back to 0
    EXPECT_TRUE(Write("12345678"));
    EXPECT_EQ(Read(8), "12345678");
}

TEST_F(RingFixture, WriteAndReadWrapAroundTheEndOfTheStorage) {
    ring.SetSize(8);
    ASSERT_TRUE(Write("123456"));
    ASSERT_EQ(Read(6), "123456");
    ASSERT_TRUE(Write("ABCDE"));  // indexes 6, 7, 0, 1, 2
    EXPECT_EQ(ring.BufUsed(), 5);
    std::string peeked(5, '\0');
    ASSERT_TRUE(ring.Peek(peeked.data(), 5));
    EXPECT_EQ(peeked, "ABCDE");
    EXPECT_TRUE(Write("xyz"));  // exactly the gap up to the oldest byte
    EXPECT_FALSE(Write("!"));
    EXPECT_EQ(Read(8), "ABCDExyz");
}

TEST_F(RingFixture, CountsOutsideTheStoredRangeChangeNothing) {
    ring.SetSize(8);
    ASSERT_TRUE(Write("abc"));
    const int changesBefore = changes;
    char byte = 0;
    EXPECT_FALSE(ring.Read(&byte, 0));
    EXPECT_FALSE(ring.Peek(&byte, 0));
    EXPECT_FALSE(ring.Read(&byte, -1));
    EXPECT_TRUE(ring.Remove(0));
    EXPECT_FALSE(ring.Remove(-1));
    EXPECT_FALSE(ring.Remove(4));
    std::string four(4, '\0');
    EXPECT_FALSE(ring.Read(four.data(), 4));
    EXPECT_EQ(changes, changesBefore);
    EXPECT_FALSE(ring.Write("x", 0));
    EXPECT_FALSE(ring.Write("x", -5));
    EXPECT_EQ(overflows, 2);
    EXPECT_EQ(Read(3), "abc");
}

TEST_F(RingFixture, ChangeNotificationFollowsClearWriteAndReadOnly) {
    ring.SetSize(8);
    changes = 0;
    Write("abcd");
    EXPECT_EQ(changes, 1);
    char bytes[2];
    ring.Peek(bytes, 2);
    ring.Remove(1);
    EXPECT_EQ(changes, 1);
    ring.Read(bytes, 2);
    EXPECT_EQ(changes, 2);
    ring.Clear();
    EXPECT_EQ(changes, 3);
}

TEST_F(RingFixture, ResizingToTheSameSizeKeepsTheContent) {
    ring.SetSize(8);
    Write("abc");
    changes = 0;
    ring.SetSize(8);
    EXPECT_EQ(ring.BufUsed(), 3);
    EXPECT_EQ(changes, 0);
    ring.SetSize(16);
    EXPECT_EQ(ring.BufUsed(), 0);
    EXPECT_EQ(changes, 1);
    EXPECT_THROW(ring.SetSize(-1), std::invalid_argument);
    EXPECT_EQ(ring.Size(), 16);
}

TEST_F(RingFixture, PortDeliveriesAreStoredWholeOrDroppedWhole) {
    ring.SetSize(4);
    ring.DataChanged("ab", 2);
    ring.DataChanged("cde", 3);  // does not fit: lost whole, the stored bytes stay
    ring.DataChanged("", 0);     // nothing at all, not even an overflow
    EXPECT_EQ(overflows, 1);
    EXPECT_EQ(Read(2), "ab");
}

// Any sequence of operations keeps the ring equal to a plain queue that refuses what does not fit.
TEST_F(RingFixture, BehavesLikeABoundedQueueUnderRandomOperations) {
    std::mt19937 random(4);
    for (int size : {1, 7, 64}) {
        ring.SetSize(size);
        std::deque<char> model;
        for (int step = 0; step < 5000; ++step) {
            const int count = int(random() % unsigned(size + 2));
            std::vector<char> bytes(std::size_t(count) + 1);
            if (random() % 2) {
                for (char& byte : bytes) {
                    byte = char(random());
                }
                const bool fits = count >= 1 && count <= size - int(model.size());
                ASSERT_EQ(ring.Write(bytes.data(), count), fits);
                if (fits) {
                    model.insert(model.end(), bytes.begin(), bytes.begin() + count);
                }
            } else {
                const bool available = count >= 1 && count <= int(model.size());
                ASSERT_EQ(ring.Read(bytes.data(), count), available);
                if (available) {
                    ASSERT_TRUE(std::equal(bytes.begin(), bytes.begin() + count, model.begin()));
                    model.erase(model.begin(), model.begin() + count);
                }
            }
            ASSERT_EQ(ring.BufUsed(), int(model.size()));
            ASSERT_EQ(ring.BufFree(), size - int(model.size()));
        }
    }
}

}  // namespace
