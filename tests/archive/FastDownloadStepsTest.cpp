// The fast pace of the download's steps on a simulated clock: a fake meter answers each request with bytes
// that arrive at chosen moments, and both timers fire when the clock reaches them, as the event loop would.
#include "archive/DownloadSteps.h"

#include "archive/ArchiveRecord.h"
#include "archive/DownloadLink.h"
#include "archive/MeterProtocol.h"
#include "archive/StepTimer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Message = DownloadObserver::Message;

constexpr int kPeriodMs = 1000;

// Bytes the fake meter sends, `after` milliseconds after the request (each part counted from the request).
struct Part {
    int after;
    std::string bytes;
};
using Meter = std::function<std::vector<Part>(std::uint32_t address, int requestNumber)>;

class Clock;

class ClockTimer : public StepTimer {
public:
    ClockTimer(Clock& clock, int periodMs) : clock_(clock), periodMs_(periodMs) {}
    void Start() override;
    void Stop() override { due = std::nullopt; }

    std::optional<int> due;
    std::function<void()> fire;

private:
    Clock& clock_;
    int periodMs_;
};

class Clock {
public:
    int now = 0;
};

void ClockTimer::Start() {
    due = clock_.now + periodMs_;
}

class MeterLink : public DownloadLink {
public:
    explicit MeterLink(Clock& clock) : clock_(clock) {}

    void Open(const std::string&) override { open = true; }
    void Close() override { open = false; }
    bool Write(std::string_view text) override {
        written.emplace_back(text);
        writtenAt.push_back(clock_.now);
        const auto address = RequestedAddress(text);
        if (meter && address) {
            for (Part& part : meter(*address, static_cast<int>(written.size()))) {
                arrivals.push_back({clock_.now + part.after, std::move(part.bytes)});
            }
        }
        return open;
    }
    int Waiting() const override { return static_cast<int>(ring.size()); }
    std::string Read(int count) override {
        std::string bytes = ring.substr(0, static_cast<std::size_t>(count));
        ring.erase(0, static_cast<std::size_t>(count));
        return bytes;
    }
    void Clear() override { ring.clear(); }

    Meter meter;
    bool open = false;
    std::string ring;
    std::vector<std::string> written;
    std::vector<int> writtenAt;
    std::vector<Part> arrivals;  // `after` holds the moment the bytes land

private:
    Clock& clock_;
};

class RecordingObserver : public DownloadObserver {
public:
    explicit RecordingObserver(Clock& clock) : clock_(clock) {}

    void ReplyWaiting(int) override {}
    void ProgressRange(int count) override { maximum = count; }
    void RecordArrived(const ArchiveBytes& staged, int k) override {
        if (k == failAt) {
            throw std::runtime_error("attempt to write a readonly database");
        }
        rows.push_back(ArchiveRecordFromBytes(staged.Record(k)));
        numbers.push_back(k);
        rowAt.push_back(clock_.now);
    }
    void ProgressPosition(int k) override { position = k; }
    void ShowMessage(Message message, const std::string& cause) override {
        messages.push_back(message);
        causes.push_back(cause);
        if (duringMessage) {
            duringMessage();
        }
    }
    void Ended(bool complete) override {
        ended.push_back(complete);
        endedAt = clock_.now;
    }
    int KnownRecordRun(int count) override { return std::min(tableHolds, count); }
    bool RecordIsKnown(const ArchiveBytes& staged, int k) override;

    int maximum = -1;
    int position = 0;
    std::vector<ArchiveRecord> rows;
    std::vector<int> numbers;
    std::vector<int> rowAt;
    std::vector<Message> messages;
    std::vector<std::string> causes;
    std::vector<bool> ended;
    int endedAt = -1;
    int failAt = 0;  // storing this record fails
    int tableHolds = 0;  // the table holds records 1 to this one, as Record gives them
    std::function<void()> duringMessage;

private:
    Clock& clock_;
};

ArchiveRecord Record(int k) {
    ArchiveRecord record;
    record.grain = k % 2 == 0 ? "Ячмень" : "Пшеница";
    record.moistureTenths = static_cast<std::int16_t>(100 + k);
    record.temperatureTenths = static_cast<std::int16_t>(-5 * k);
    record.when = {3, 12, 7, 9, 7, static_cast<std::uint8_t>(k % 60)};
    return record;
}

bool RecordingObserver::RecordIsKnown(const ArchiveBytes& staged, int k) {
    return k <= tableHolds && ArchiveRecordFromBytes(staged.Record(k)) == Record(k);
}

// The whole reply to a request, as the meter sends it: 40 bytes before the data, then the data.
std::string Reply(std::uint32_t address, int count) {
    const std::string prefix = std::string(BuildRecordRequest(address)) + "_OK";
    if (address == kHeaderAddress) {
        return prefix + HeaderReplyData(count);
    }
    return prefix + RecordReplyData(ArchiveRecordToBytes(Record(static_cast<int>(address - kHeaderAddress))));
}

class FastDownloadStepsTest : public ::testing::Test {
protected:
    FastDownloadStepsTest() {
        period.fire = [this] { steps.Step(); };
        quiet.fire = [this] { steps.QuietGapElapsed(); };
    }

    // Moves the clock to `until`, firing timers and delivering bytes in the order they fall due.
    void RunUntil(int until) {
        while (true) {
            int next = until + 1;
            for (const Part& part : link.arrivals) {
                next = std::min(next, part.after);
            }
            for (const ClockTimer* timer : {&period, &quiet}) {
                if (timer->due) {
                    next = std::min(next, *timer->due);
                }
            }
            if (next > until) {
                clock.now = until;
                return;
            }
            clock.now = next;
            const auto arrival = std::find_if(link.arrivals.begin(), link.arrivals.end(),
                                              [&](const Part& part) { return part.after == next; });
            if (arrival != link.arrivals.end()) {
                link.ring += arrival->bytes;
                link.arrivals.erase(arrival);
                steps.BytesArrived();
            } else if (period.due == next) {
                period.due = std::nullopt;
                period.fire();
            } else {
                quiet.due = std::nullopt;
                quiet.fire();
            }
        }
    }
    // A meter answering every request for an archive of `count` records with `shape` of the whole reply.
    void Answer(int count, std::function<std::vector<Part>(std::string reply, int k)> shape) {
        link.meter = [count, shape](std::uint32_t address, int) {
            return shape(Reply(address, count), static_cast<int>(address - kHeaderAddress));
        };
    }
    void ExpectArchive(int count) {
        ASSERT_EQ(observer.ended, std::vector<bool>{true});
        EXPECT_TRUE(observer.messages.empty());
        ASSERT_EQ(observer.rows.size(), static_cast<std::size_t>(count));
        for (int k = 1; k <= count; ++k) {
            EXPECT_EQ(observer.numbers[k - 1], k);
            EXPECT_EQ(observer.rows[k - 1], Record(k)) << "record " << k;
        }
        EXPECT_EQ(observer.position, count);
        EXPECT_FALSE(link.open);
        EXPECT_FALSE(period.due);
        EXPECT_FALSE(quiet.due);
    }

    Clock clock;
    MeterLink link{clock};
    ClockTimer period{clock, kPeriodMs};
    ClockTimer quiet{clock, DownloadSteps::kQuietGapMs};
    RecordingObserver observer{clock};
    DownloadSteps steps{link, period, observer, &quiet};
};

TEST_F(FastDownloadStepsTest, CompleteRepliesStepAsSoonAsTheLineIsQuiet) {
    Answer(3, [](std::string reply, int) { return std::vector<Part>{{10, reply}}; });
    steps.Start("COM1", DownloadSteps::Pace::Fast);
    RunUntil(10 * kPeriodMs);
    ExpectArchive(3);
    // Header and three records: each request 10 ms to its reply, 20 ms of quiet, then the next request.
    EXPECT_EQ(link.writtenAt, (std::vector<int>{0, 30, 60, 90}));
    EXPECT_EQ(observer.endedAt, 120);
    EXPECT_EQ(link.written.size(), 4u) << "one request a record, none asked twice";
}

TEST_F(FastDownloadStepsTest, NewRecordsAloneReadBackTheKnownOnesWithoutWaitingAPeriod) {
    observer.tableHolds = 6;
    Answer(9, [](std::string reply, int) { return std::vector<Part>{{10, reply}}; });
    steps.Start("COM1", DownloadSteps::Pace::Fast, DownloadSteps::Records::NewOnly);
    RunUntil(10 * kPeriodMs);
    ASSERT_EQ(observer.ended, std::vector<bool>{true});
    EXPECT_EQ(observer.numbers, (std::vector<int>{7, 8, 9}));
    std::vector<std::uint32_t> asked;
    for (const std::string& request : link.written) {
        asked.push_back(*RequestedAddress(request) - kHeaderAddress);
    }
    EXPECT_EQ(asked, (std::vector<std::uint32_t>{0, 1, 6, 7, 8, 9}));
    EXPECT_EQ(observer.endedAt, 6 * 30);
    EXPECT_EQ(steps.RecordsNew(), 3);
    EXPECT_EQ(steps.RecordsKnown(), 6);
    EXPECT_EQ(observer.position, 9);
}

TEST_F(FastDownloadStepsTest, TrailerWithinTheGapIsPartOfItsReply) {
    // CR LF 15 ms after the data: within the gap, so it must not lead the next reply.
    Answer(5, [](std::string reply, int) { return std::vector<Part>{{10, reply}, {25, "\r\n"}}; });
    steps.Start("COM1", DownloadSteps::Pace::Fast);
    RunUntil(10 * kPeriodMs);
    ExpectArchive(5);
    EXPECT_EQ(link.written.size(), 6u);
    EXPECT_EQ(observer.endedAt, 6 * 45);
}

TEST_F(FastDownloadStepsTest, ChunkedReplyWaitsForItsLastChunk) {
    // 16-byte chunks 5 ms apart, and one pause longer than the gap in the middle of the data.
    Answer(4, [](std::string reply, int) {
        std::vector<Part> parts;
        int at = 30;
        for (std::size_t start = 0; start < reply.size(); start += 16) {
            at += start == 64 ? 200 : 5;
            parts.push_back({at, reply.substr(start, 16)});
        }
        return parts;
    });
    steps.Start("COM1", DownloadSteps::Pace::Fast);
    RunUntil(20 * kPeriodMs);
    ExpectArchive(4);
    EXPECT_EQ(link.written.size(), 5u);
    EXPECT_LT(observer.endedAt, 5 * kPeriodMs) << "faster than the period";
}

TEST_F(FastDownloadStepsTest, ReplyCompletingAt999MsIsTakenByThePeriod) {
    Answer(2, [](std::string reply, int k) {
        if (k != 1) {
            return std::vector<Part>{{10, reply}};
        }
        return std::vector<Part>{{10, reply.substr(0, 60)}, {999, reply.substr(60)}};
    });
    steps.Start("COM1", DownloadSteps::Pace::Fast);
    RunUntil(30);
    ASSERT_EQ(link.written.size(), 2u);
    const int asked = link.writtenAt[1];
    RunUntil(asked + 999);
    EXPECT_TRUE(observer.rows.empty()) << "decoded before the reply was complete";
    RunUntil(asked + kPeriodMs);
    ASSERT_EQ(observer.rows.size(), 1u);
    EXPECT_EQ(observer.rowAt[0], asked + kPeriodMs);
    RunUntil(10 * kPeriodMs);
    ExpectArchive(2);
}

TEST_F(FastDownloadStepsTest, ReplyShortAtThePeriodGetsOneMoreThenFails) {
    // Record 1 complete only after 1.5 periods: it is taken then, before the second period ends.
    // Record 2 never completes: a transfer error after two periods.
    Answer(3, [](std::string reply, int k) {
        if (k == 1) {
            return std::vector<Part>{{10, reply.substr(0, 70)}, {1500, reply.substr(70)}};
        }
        if (k == 2) {
            return std::vector<Part>{{10, reply.substr(0, 70)}};
        }
        return std::vector<Part>{{10, reply}};
    });
    steps.Start("COM1", DownloadSteps::Pace::Fast);
    RunUntil(10 * kPeriodMs);
    ASSERT_EQ(observer.numbers, std::vector<int>{1});
    EXPECT_EQ(observer.rowAt[0], link.writtenAt[1] + 1500 + DownloadSteps::kQuietGapMs);
    EXPECT_EQ(observer.messages, std::vector<Message>{Message::TransferError});
    EXPECT_EQ(observer.endedAt, link.writtenAt[2] + 2 * kPeriodMs);
    EXPECT_EQ(observer.ended, std::vector<bool>{false});
}

TEST_F(FastDownloadStepsTest, MisalignedRecordIsAskedForAgainAfterAFullPeriod) {
    // Record 2's first reply comes behind a stray line end; its second reply is sound. Record 3 is
    // misaligned every time: the second failure stops the download with the rows before it kept.
    Answer(4, [askedFor2 = std::make_shared<int>(0)](std::string reply, int k) {
        if (k == 2 && (*askedFor2)++ == 0) {
            return std::vector<Part>{{10, "\n" + reply}};
        }
        if (k == 3) {
            return std::vector<Part>{{10, "\r\n" + reply}};
        }
        return std::vector<Part>{{10, reply}};
    });
    steps.Start("COM1", DownloadSteps::Pace::Fast);
    RunUntil(20 * kPeriodMs);
    EXPECT_EQ(observer.numbers, (std::vector<int>{1, 2}));
    ASSERT_EQ(observer.rows.size(), 2u);
    EXPECT_EQ(observer.rows[1], Record(2)) << "the shifted reply was decoded";
    // header, 1, 2, 2 again, 3, 3 again
    ASSERT_EQ(link.written.size(), 6u);
    EXPECT_EQ(link.written[2], link.written[3]);
    EXPECT_EQ(link.writtenAt[3], link.writtenAt[2] + 10 + DownloadSteps::kQuietGapMs + kPeriodMs);
    EXPECT_EQ(link.written[4], link.written[5]);
    EXPECT_EQ(RequestedAddress(link.written[5]), kHeaderAddress + 3);
    EXPECT_EQ(observer.messages, std::vector<Message>{Message::TransferError});
    EXPECT_NE(observer.causes[0].find("record 3"), std::string::npos) << observer.causes[0];
    EXPECT_EQ(observer.ended, std::vector<bool>{false});
    EXPECT_FALSE(link.open);
}

TEST_F(FastDownloadStepsTest, RowThatCannotBeStoredStopsTheDownloadAtOnce) {
    Answer(5, [](std::string reply, int) { return std::vector<Part>{{10, reply}}; });
    observer.failAt = 2;
    steps.Start("COM1", DownloadSteps::Pace::Fast);
    RunUntil(10 * kPeriodMs);
    EXPECT_EQ(observer.numbers, std::vector<int>{1});
    EXPECT_EQ(observer.messages, std::vector<Message>{Message::TransferError});
    EXPECT_EQ(observer.causes[0], "attempt to write a readonly database");
    EXPECT_EQ(observer.ended, std::vector<bool>{false});
    EXPECT_EQ(observer.endedAt, 90);
    // Record 3 was already asked for while record 2 was being stored; nothing after it.
    EXPECT_EQ(link.written.size(), 4u);
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(period.due);
    EXPECT_FALSE(quiet.due);
}

TEST_F(FastDownloadStepsTest, SilentMeterShowsTheMessageAtThePeriodWithoutANestedStep) {
    link.meter = [](std::uint32_t, int) { return std::vector<Part>{}; };
    // An arrival while the message is shown must not start a step inside this one.
    observer.duringMessage = [this] {
        steps.BytesArrived();
        EXPECT_FALSE(quiet.due);
    };
    steps.Start("COM1", DownloadSteps::Pace::Fast);
    RunUntil(10 * kPeriodMs);
    EXPECT_EQ(observer.messages, std::vector<Message>{Message::MeterNotConnected});
    EXPECT_TRUE(observer.rows.empty());
    EXPECT_FALSE(period.due);
    EXPECT_FALSE(quiet.due);
    EXPECT_EQ(observer.ended, std::vector<bool>{false});
    EXPECT_EQ(link.written.size(), 1u);
}

TEST_F(FastDownloadStepsTest, BytesAfterTheLastRecordChangeNothing) {
    Answer(2, [](std::string reply, int k) {
        std::vector<Part> parts{{10, reply}};
        if (k == 2) {
            parts.push_back({500, "late"});
        }
        return parts;
    });
    steps.Start("COM1", DownloadSteps::Pace::Fast);
    RunUntil(10 * kPeriodMs);
    ExpectArchive(2);
    EXPECT_EQ(link.written.size(), 3u);
    EXPECT_EQ(observer.ended.size(), 1u);
}

TEST_F(FastDownloadStepsTest, PacedDownloadIgnoresArrivalsAndKeepsThePeriod) {
    Answer(2, [](std::string reply, int) { return std::vector<Part>{{10, reply}}; });
    steps.Start("COM1");
    RunUntil(10 * kPeriodMs);
    ExpectArchive(2);
    EXPECT_EQ(link.writtenAt, (std::vector<int>{0, 2 * kPeriodMs, 3 * kPeriodMs}));
    EXPECT_EQ(observer.endedAt, 4 * kPeriodMs);
}

TEST(FastDownloadStepsWithoutQuietTimer, RefuseToStartFast) {
    Clock clock;
    MeterLink link{clock};
    ClockTimer period{clock, kPeriodMs};
    RecordingObserver observer{clock};
    DownloadSteps steps{link, period, observer};
    EXPECT_THROW(steps.Start("COM1", DownloadSteps::Pace::Fast), std::logic_error);
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(steps.Running());
}

}  // namespace
