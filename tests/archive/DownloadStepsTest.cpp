// The download's steps against a fake port and timer: each test plays the meter by putting bytes in the ring
// between steps, as the event loop would.
#include "archive/DownloadSteps.h"

#include "archive/ArchiveRecord.h"
#include "archive/DownloadLink.h"
#include "archive/MeterProtocol.h"
#include "archive/StepTimer.h"

#include "archive/DownloadSummary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Message = DownloadObserver::Message;

class FakeLink : public DownloadLink {
public:
    void Open(const std::string& deviceName) override {
        if (deviceName.empty() || open) {
            throw std::runtime_error("Specified device not found (" + deviceName + ").");
        }
        open = true;
    }
    void Close() override { open = false; }
    bool Write(std::string_view text) override {
        written.emplace_back(text);
        if (writeThrows) {
            throw std::runtime_error("Error writing to port (5), Input/output error");
        }
        return open && writesSucceed;
    }
    int Waiting() const override { return static_cast<int>(ring.size()); }
    std::string Read(int count) override {
        std::string bytes = ring.substr(0, static_cast<std::size_t>(count));
        ring.erase(0, static_cast<std::size_t>(count));
        return bytes;
    }
    void Clear() override { ring.clear(); }

    bool open = false;
    bool writesSucceed = true;
    bool writeThrows = false;
    std::string ring;
    std::vector<std::string> written;
};

class FakeTimer : public StepTimer {
public:
    void Start() override { running = true; }
    void Stop() override { running = false; }
    bool running = false;
};

class RecordingObserver : public DownloadObserver {
public:
    void ReplyWaiting(int count) override { waiting.push_back(count); }
    void ProgressRange(int count) override { maximum = count; }
    void RecordArrived(const ArchiveBytes& staged, int k) override {
        const ArchiveRecord record = ArchiveRecordFromBytes(staged.Record(k));
        if (!record.when.IsValid()) {
            throw std::runtime_error("not a date");
        }
        rows.push_back({k, record});
    }
    void ProgressPosition(int k) override { position = k; }
    // The table of a download of new records alone: the records it holds, by number.
    int KnownRecordRun(int count) override {
        int k = 0;
        while (k < count &&
               std::any_of(table.begin(), table.end(), [&](const auto& row) { return row.first == k + 1; })) {
            ++k;
        }
        return k;
    }
    bool RecordIsKnown(const ArchiveBytes& staged, int k) override {
        const std::pair<int, ArchiveRecord> row{k, ArchiveRecordFromBytes(staged.Record(k))};
        return std::find(table.begin(), table.end(), row) != table.end();
    }
    void ShowMessage(Message message, const std::string& cause) override {
        messages.push_back(message);
        causes.push_back(cause);
        if (duringMessage) {
            duringMessage();
        }
    }
    void Ended(bool complete) override {
        ended.push_back(complete);
        if (endFails) {
            throw std::runtime_error(endFails);
        }
    }

    std::vector<int> waiting;
    int maximum = -1;
    int position = 0;
    std::vector<std::pair<int, ArchiveRecord>> rows;
    std::vector<std::pair<int, ArchiveRecord>> table;
    std::vector<Message> messages;
    std::vector<std::string> causes;
    std::vector<bool> ended;
    const char* endFails = nullptr;  // Ended throws this text, as when the last row cannot be stored
    std::function<void()> duringMessage;
};

ArchiveRecord Record(int k, int edition = 0) {
    ArchiveRecord record;
    record.grain = edition == 0 ? "Пшеница" : "Рожь";
    record.moistureTenths = static_cast<std::int16_t>(100 + k);
    record.temperatureTenths = -55;
    record.when = {3, 12, 7, 9, 7, 5};
    return record;
}

std::string Prefix() {
    return std::string(kReplyDataOffset, '#');
}

std::string HeaderReply(int count) {
    return Prefix() + HeaderReplyData(count);
}

std::string RecordReply(const ArchiveRecord& record) {
    return Prefix() + RecordReplyData(ArchiveRecordToBytes(record));
}

class DownloadStepsTest : public ::testing::Test {
protected:
    // Runs the timer's pending step.
    void Tick() {
        ASSERT_TRUE(timer.running) << "no step is due";
        steps.Step();
    }
    // Start, then the header step and the step that asks for record 1.
    void StartWith(int count) {
        steps.Start("COM1");
        link.ring = HeaderReply(count);
        Tick();
        Tick();
    }

    FakeLink link;
    FakeTimer timer;
    RecordingObserver observer;
    DownloadSteps steps{link, timer, observer};
};

TEST_F(DownloadStepsTest, WholeArchiveTakesCountPlusTwoSteps) {
    link.ring = "left over from before";
    steps.Start("COM1");
    EXPECT_TRUE(link.open);
    EXPECT_EQ(link.written, std::vector<std::string>{std::string(kHeaderRequest)});
    EXPECT_TRUE(link.ring.empty()) << "stale bytes belong to no reply";
    link.ring = HeaderReply(3) + "tail";
    Tick();
    EXPECT_EQ(steps.ArchiveCount(), 3);
    EXPECT_EQ(observer.maximum, 3);
    EXPECT_EQ(link.written.size(), 1u) << "the header step sends nothing";
    Tick();
    EXPECT_EQ(link.written.back(), BuildRecordRequest(kHeaderAddress + 1));
    for (int k = 1; k <= 3; ++k) {
        link.ring = RecordReply(Record(k));
        Tick();
        EXPECT_EQ(observer.position, k);
    }
    ASSERT_EQ(observer.rows.size(), 3u);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(observer.rows[k - 1].first, k);
        EXPECT_EQ(observer.rows[k - 1].second, Record(k));
    }
    EXPECT_EQ(link.written.size(), 4u);
    EXPECT_EQ(observer.ended, std::vector<bool>{true});
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(timer.running);
    EXPECT_FALSE(steps.Running());
}

TEST_F(DownloadStepsTest, EmptyArchiveEndsAtTheSecondStep) {
    StartWith(0);
    EXPECT_EQ(observer.maximum, 0);
    EXPECT_TRUE(observer.rows.empty());
    EXPECT_EQ(observer.ended, std::vector<bool>{true});
    EXPECT_EQ(link.written.size(), 1u);
    EXPECT_FALSE(link.open);
}

TEST_F(DownloadStepsTest, SilentMeterShowsTheMessageOnceAndEnds) {
    steps.Start("COM1");
    Tick();
    EXPECT_EQ(observer.messages, std::vector<Message>{Message::MeterNotConnected});
    EXPECT_EQ(observer.ended, std::vector<bool>{false});
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(timer.running);
}

TEST_F(DownloadStepsTest, MeterSilentAfterSomeRecordsKeepsThemAndAddsNoStaleRow) {
    StartWith(5);
    link.ring = RecordReply(Record(1));
    Tick();
    Tick();  // nothing for record 2: the previous reply's bytes must not come back as a row
    EXPECT_EQ(observer.rows.size(), 1u);
    EXPECT_EQ(observer.messages, std::vector<Message>{Message::MeterNotConnected});
    EXPECT_EQ(observer.ended, std::vector<bool>{false});
    EXPECT_FALSE(timer.running);
}

TEST_F(DownloadStepsTest, BytesArrivingWhileTheMessageIsShownAreTheReply) {
    StartWith(1);
    observer.duringMessage = [&] { link.ring = RecordReply(Record(1)); };
    Tick();
    EXPECT_EQ(observer.rows.size(), 1u);
    EXPECT_EQ(observer.ended, std::vector<bool>{true});
}

TEST_F(DownloadStepsTest, ReplyStraddlingAStepIsDecodedOneStepLater) {
    StartWith(2);
    const std::string reply = RecordReply(Record(1));
    link.ring = reply.substr(0, 60);
    Tick();
    EXPECT_TRUE(observer.rows.empty());
    EXPECT_EQ(link.written.size(), 2u) << "no new request while the reply is incomplete";
    link.ring = reply.substr(60);
    Tick();
    ASSERT_EQ(observer.rows.size(), 1u);
    EXPECT_EQ(observer.rows[0].second, Record(1));
    EXPECT_EQ(link.written.back(), BuildRecordRequest(kHeaderAddress + 2));
    link.ring = RecordReply(Record(2));
    Tick();
    EXPECT_EQ(observer.rows.size(), 2u);
    EXPECT_EQ(observer.ended, std::vector<bool>{true});
}

TEST_F(DownloadStepsTest, ReplyStillShortAfterOneMorePeriodEndsWithTransferError) {
    StartWith(3);
    link.ring = RecordReply(Record(1));
    Tick();
    link.ring = RecordReply(Record(2)).substr(0, kRecordReplySize - 1);
    Tick();
    Tick();
    EXPECT_EQ(observer.rows.size(), 1u);
    EXPECT_EQ(observer.messages, std::vector<Message>{Message::TransferError});
    EXPECT_EQ(observer.ended, std::vector<bool>{false});
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(timer.running);
}

TEST_F(DownloadStepsTest, ShortHeaderIsNeverReadAsACount) {
    steps.Start("COM1");
    link.ring = HeaderReply(7).substr(0, kHeaderReplySize - 1);
    Tick();
    EXPECT_EQ(observer.maximum, -1);
    Tick();
    EXPECT_EQ(observer.messages, std::vector<Message>{Message::TransferError});
    EXPECT_EQ(steps.ArchiveCount(), 0);
}

TEST_F(DownloadStepsTest, OversizedReplyKeepsItsFirst2000Bytes) {
    StartWith(1);
    link.ring = RecordReply(Record(1)) + std::string(3000, 'x');
    Tick();
    ASSERT_EQ(observer.rows.size(), 1u);
    EXPECT_EQ(observer.rows[0].second, Record(1));
    EXPECT_EQ(observer.waiting.back(), static_cast<int>(kRecordReplySize + 3000));
    EXPECT_TRUE(link.ring.empty());
}

TEST_F(DownloadStepsTest, UndecodableRecordStopsWithTransferErrorAndKeepsEarlierRows) {
    StartWith(3);
    link.ring = RecordReply(Record(1));
    Tick();
    std::string garbled = RecordReply(Record(2));
    garbled[kReplyDataOffset + 2 * 35] = '=';  // month 13
    garbled[kReplyDataOffset + 2 * 35 + 1] = '0';
    link.ring = garbled;
    Tick();
    EXPECT_EQ(observer.rows.size(), 1u);
    EXPECT_EQ(observer.messages, std::vector<Message>{Message::TransferError});
    EXPECT_EQ(observer.ended, std::vector<bool>{false});
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(steps.Running());
    steps.Step();  // a stray tick after the end does nothing
    EXPECT_EQ(observer.messages.size(), 1u);
}

TEST_F(DownloadStepsTest, HeaderNotWrittenClosesThePortAndFindsNoReply) {
    link.writesSucceed = false;
    steps.Start("COM1");
    EXPECT_FALSE(link.open);
    EXPECT_TRUE(timer.running);
    Tick();
    EXPECT_EQ(observer.messages, std::vector<Message>{Message::MeterNotConnected});
}

TEST_F(DownloadStepsTest, RefusedPortStartsNothingAndANewStartWorks) {
    EXPECT_THROW(steps.Start(""), std::runtime_error);
    EXPECT_FALSE(timer.running);
    EXPECT_TRUE(link.written.empty());
    EXPECT_FALSE(steps.Running());
    StartWith(0);
    EXPECT_EQ(observer.ended, std::vector<bool>{true});
}

TEST_F(DownloadStepsTest, SecondDownloadCountsFromOneAgain) {
    StartWith(1);
    link.ring = RecordReply(Record(1));
    Tick();
    StartWith(2);
    for (int k = 1; k <= 2; ++k) {
        link.ring = RecordReply(Record(k));
        Tick();
    }
    ASSERT_EQ(observer.rows.size(), 3u);
    EXPECT_EQ(observer.rows[1].first, 1);
    EXPECT_EQ(observer.rows[2].first, 2);
    EXPECT_EQ(observer.ended, (std::vector<bool>{true, true}));
}

// Storing the rows fails (a read-only or locked database): the message is shown whatever else fails on the way
// out, and the observer hears every cause.
TEST_F(DownloadStepsTest, FailingEndStillShowsTheMessageWithEveryCause) {
    StartWith(3);
    link.ring = RecordReply(Record(1));
    Tick();
    observer.endFails = "attempt to write a readonly database";
    std::string garbled = RecordReply(Record(2));
    garbled[kReplyDataOffset + 2 * 35] = '=';  // month 13
    garbled[kReplyDataOffset + 2 * 35 + 1] = '0';
    link.ring = garbled;
    Tick();
    EXPECT_EQ(observer.messages, std::vector<Message>{Message::TransferError});
    EXPECT_EQ(observer.causes, std::vector<std::string>{"not a date\nattempt to write a readonly database"});
    EXPECT_EQ(observer.ended, std::vector<bool>{false});
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(timer.running);
    EXPECT_FALSE(steps.Running());
}

TEST_F(DownloadStepsTest, LastRowNotStoredAtTheEndIsATransferError) {
    StartWith(1);
    observer.endFails = "database is locked";
    link.ring = RecordReply(Record(1));
    Tick();
    EXPECT_EQ(observer.ended, std::vector<bool>{true});
    EXPECT_EQ(observer.messages, std::vector<Message>{Message::TransferError});
    EXPECT_EQ(observer.causes, std::vector<std::string>{"database is locked"});
    EXPECT_FALSE(link.open);
}

TEST_F(DownloadStepsTest, NoRowTheMeterIsSilentAndTheEndFailsStillShowsAMessage) {
    steps.Start("COM1");
    observer.endFails = "ADOTable1: Cannot perform this operation on a closed dataset";
    Tick();
    EXPECT_EQ(observer.messages, (std::vector<Message>{Message::MeterNotConnected, Message::TransferError}));
    EXPECT_EQ(observer.causes.back(), "ADOTable1: Cannot perform this operation on a closed dataset");
}

TEST_F(DownloadStepsTest, ShortReplyNamesItsRecordAsTheCause) {
    StartWith(3);
    link.ring = RecordReply(Record(1)).substr(0, 50);
    Tick();
    Tick();
    EXPECT_EQ(observer.causes, std::vector<std::string>{"the reply for record 1 came with 50 of its " +
                                                        std::to_string(kRecordReplySize) + " bytes"});
}

TEST_F(DownloadStepsTest, CancelEndsBetweenStepsWithoutAMessage) {
    StartWith(3);
    link.ring = RecordReply(Record(1));
    Tick();
    steps.Cancel();
    EXPECT_EQ(observer.ended, std::vector<bool>{false});
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(timer.running);
    EXPECT_FALSE(steps.Running());
    steps.Cancel();  // once ended, nothing more
    EXPECT_EQ(observer.ended.size(), 1u);
}

TEST_F(DownloadStepsTest, HeaderWriteThatThrowsClosesThePortAndANewStartWorks) {
    link.writeThrows = true;
    EXPECT_THROW(steps.Start("COM1"), std::runtime_error);
    EXPECT_FALSE(link.open);
    EXPECT_FALSE(timer.running);
    EXPECT_FALSE(steps.Running());
    EXPECT_TRUE(observer.ended.empty());
    link.writeThrows = false;
    StartWith(0);
    EXPECT_EQ(observer.ended, std::vector<bool>{true});
}

// A download of new records alone against a table that holds `tableHolds` (record numbers of `meter`'s
// records; edition 1 stands for a record the meter rewrote), the meter answering every request at once.
struct NewOnlyCase {
    const char* name;
    int meterCount;
    std::vector<int> rewritten;  // records of the meter that differ from the table's
    std::vector<int> tableHolds;
    int steps;
    std::vector<int> requested;  // after the header
    std::vector<int> added;
    int known;
};

class NewOnlyDownloadTest : public DownloadStepsTest, public ::testing::WithParamInterface<NewOnlyCase> {};

// `first`, then from to to.
std::vector<int> Numbers(int from, int to, std::vector<int> first = {}) {
    for (int k = from; k <= to; ++k) {
        first.push_back(k);
    }
    return first;
}

TEST_P(NewOnlyDownloadTest, AsksForWhatTheTableLacksAndAddsOnlyNewRecords) {
    const NewOnlyCase& c = GetParam();
    auto meterRecord = [&](int k) {
        const bool rewritten = std::find(c.rewritten.begin(), c.rewritten.end(), k) != c.rewritten.end();
        return Record(k, rewritten ? 1 : 0);
    };
    for (const int k : c.tableHolds) {
        observer.table.emplace_back(k, Record(k));
    }
    steps.Start("COM1", DownloadSteps::Pace::Paced, DownloadSteps::Records::NewOnly);
    link.ring = HeaderReply(c.meterCount);
    int taken = 0;
    while (timer.running && taken < 200) {
        const std::string& request = link.written.back();
        if (request != kHeaderRequest && link.ring.empty()) {
            const int k = static_cast<int>(*RequestedAddress(request) - kHeaderAddress);
            link.ring = RecordReply(meterRecord(k));
        }
        steps.Step();
        ++taken;
    }
    EXPECT_EQ(taken, c.steps);
    std::vector<int> requested;
    for (std::size_t i = 1; i < link.written.size(); ++i) {
        requested.push_back(static_cast<int>(*RequestedAddress(link.written[i]) - kHeaderAddress));
    }
    EXPECT_EQ(requested, c.requested);
    std::vector<int> added;
    for (const auto& [k, record] : observer.rows) {
        added.push_back(k);
        EXPECT_EQ(record, meterRecord(k));
    }
    EXPECT_EQ(added, c.added);
    EXPECT_EQ(steps.RecordsNew(), static_cast<int>(c.added.size()));
    EXPECT_EQ(steps.RecordsKnown(), c.known);
    EXPECT_EQ(observer.ended, std::vector<bool>{true});
    EXPECT_EQ(observer.position, c.meterCount);
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_FALSE(link.open);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NewOnlyDownloadTest,
    ::testing::Values(
        NewOnlyCase{"SameArchiveAgain", 30, {}, Numbers(1, 30), 4, {1, 30}, {}, 30},
        NewOnlyCase{"ArchiveGrewBy15", 45, {}, Numbers(1, 30), 19, Numbers(31, 45, {1, 30}), Numbers(31, 45), 30},
        NewOnlyCase{"ArchiveRewritten", 5, Numbers(1, 5), Numbers(1, 5), 7, Numbers(1, 5), Numbers(1, 5), 0},
        // Only the last known record differs: read back, then every record from 2 on, that one again in its turn.
        NewOnlyCase{"LastKnownRecordRewritten", 5, {3, 5}, Numbers(1, 5), 8, {1, 5, 2, 3, 4, 5}, {3, 5}, 3},
        // Row 3 was deleted from the table: it comes back, the records after it are found there.
        NewOnlyCase{"TableLacksARow", 6, {}, {1, 2, 4, 5, 6}, 8, {1, 2, 3, 4, 5, 6}, {3}, 5},
        NewOnlyCase{"EmptyTable", 3, {}, {}, 5, {1, 2, 3}, {1, 2, 3}, 0},
        NewOnlyCase{"ArchiveShrankToItsFirstRecords", 4, {}, Numbers(1, 9), 4, {1, 4}, {}, 4},
        NewOnlyCase{"OneKnownRecord", 3, {}, {1}, 5, {1, 2, 3}, {2, 3}, 1}),
    [](const ::testing::TestParamInfo<NewOnlyCase>& info) { return std::string(info.param.name); });

TEST(DownloadSummaryTest, NamesTheUndatedRecordsAndCountsNewOnes) {
    const std::string tail = " — прибор записал неверную дату; они сохранены с пустой датой";
    EXPECT_EQ(UndatedRecordsText({}), "");
    EXPECT_EQ(UndatedRecordsText({3, 17}), "Записи без даты: 3, 17" + tail);
    EXPECT_EQ(UndatedRecordsText({1, 2, 5, 6, 7, 9}), "Записи без даты: 1, 2, 5–7, 9" + tail);
    EXPECT_EQ(UndatedRecordsText(Numbers(1, 65535)), "Записи без даты: 1–65535" + tail);
    std::vector<int> scattered;
    for (int k = 2; k <= 60; k += 2) {
        scattered.push_back(k);
    }
    EXPECT_EQ(
        UndatedRecordsText(scattered),
        "Записи без даты: 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40 и ещё 10" + tail);
    EXPECT_EQ(NewRecordsText(15, 30), "Новых записей: 15, уже были в таблице: 30");

    ArchiveRecord record = Record(4);
    record.when = {0, 13, 24, 7, 5, 61};  // day, month, year, hour, minute, second
    EXPECT_EQ(UndatedRecordNote(4, ArchiveRecordToBytes(record)),
              "record 4: the date bytes 3D 05 07 00 0D 18 (second, minute, hour, day, month, year) make "
              "'00.13.2024 07:05:61', which is no date; the record is kept with an empty date");
}

}  // namespace
