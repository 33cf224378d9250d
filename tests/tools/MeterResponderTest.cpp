#include "archive/MeterProtocol.h"
#include "tools/meter-sim/ArchiveGenerator.h"
#include "tools/meter-sim/MeterResponder.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

const std::vector<ArchiveRecord>& Archive() {
    static const std::vector<ArchiveRecord> kArchive = GenerateArchive(5, 7);
    return kArchive;
}

std::string Request(int k) {
    return BuildRecordRequest(kHeaderAddress + static_cast<std::uint32_t>(k));
}

MeterAnswer AnswerTo(MeterResponder& meter, int k) {
    auto answers = meter.Receive(Request(k));
    EXPECT_EQ(answers.size(), 1u);
    return answers.empty() ? MeterAnswer{} : answers.front();
}

std::string Joined(const MeterAnswer& answer) {
    std::string all;
    for (const ReplyPart& part : answer.parts) {
        all += part.bytes;
    }
    return all;
}

TEST(MeterResponder, HeaderReplyEchoesTheRequestAndAnnouncesTheCount) {
    MeterResponder meter(Archive(), {});
    const MeterAnswer answer = AnswerTo(meter, 0);
    ASSERT_EQ(answer.parts.size(), 1u);
    EXPECT_EQ(answer.parts[0].pause, 0ms);
    EXPECT_EQ(answer.parts[0].bytes, std::string(kHeaderRequest) + "_OK5000\r\n");
    EXPECT_EQ(DecodeHeaderReply(answer.parts[0].bytes), 5);
    EXPECT_FALSE(answer.vanishAfterward);
}

TEST(MeterResponder, EveryRecordReplyDecodesToItsRecord) {
    MeterResponder meter(Archive(), {}, "");
    for (int k = 1; k <= 5; ++k) {
        const std::string reply = Joined(AnswerTo(meter, k));
        EXPECT_EQ(reply.size(), kRecordReplySize);
        EXPECT_EQ(reply.substr(0, kRequestSize), Request(k));
        EXPECT_EQ(ArchiveRecordFromBytes(DecodeRecordBytes(reply)), Archive()[k - 1]) << k;
    }
}

TEST(MeterResponder, FindsRequestsInPiecesAndAmidNoise) {
    MeterResponder meter(Archive(), {});
    const std::string stream = "\r\n__DATA_x_" + Request(2) + "junk_DATA_REQUEST_[00" + Request(3) + Request(4);
    std::vector<std::string> answered;
    for (std::size_t i = 0; i < stream.size(); i += 5) {
        for (const MeterAnswer& answer : meter.Receive(std::string_view(stream).substr(i, 5))) {
            answered.push_back(Joined(answer).substr(0, kRequestSize));
        }
    }
    EXPECT_EQ(answered, (std::vector<std::string>{Request(2), Request(3), Request(4)}));
}

TEST(MeterResponder, AddressesOutsideTheArchiveGoUnanswered) {
    MeterResponder meter(Archive(), {});
    EXPECT_TRUE(AnswerTo(meter, 6).parts.empty());
    EXPECT_TRUE(meter.Receive(BuildRecordRequest(kHeaderAddress - 1)).front().parts.empty());
    EXPECT_EQ(AnswerTo(meter, 5).parts.size(), 1u);
}

TEST(MeterResponder, ShortReplyStopsInTheMiddleOfItsData) {
    FailureModes modes;
    modes.shortReplies = {2};
    MeterResponder meter(Archive(), modes);
    EXPECT_EQ(Joined(AnswerTo(meter, 2)).size(), kReplyDataOffset + kArchiveRecordSize);
    EXPECT_EQ(Joined(AnswerTo(meter, 3)).size(), kRecordReplySize + 2);
}

TEST(MeterResponder, SplitReplyComesInTwoPartsWithAPause) {
    FailureModes modes;
    modes.splitReplies = {1};
    modes.replyDelay = 20ms;
    MeterResponder meter(Archive(), modes);
    const MeterAnswer answer = AnswerTo(meter, 1);
    ASSERT_EQ(answer.parts.size(), 2u);
    EXPECT_EQ(answer.parts[0].pause, 20ms);
    EXPECT_EQ(answer.parts[1].pause, 1500ms);
    EXPECT_EQ(ArchiveRecordFromBytes(DecodeRecordBytes(Joined(answer))), Archive()[0]);
    EXPECT_LT(answer.parts[0].bytes.size(), kRecordReplySize);
}

TEST(MeterResponder, ChunkedRepliesWithATrailerCarryTheSameBytes) {
    FailureModes modes;
    modes.replyDelay = 30ms;
    modes.chunkGap = 5ms;
    modes.splitReplies = {2};
    MeterResponder meter(Archive(), modes, "\xff");
    MeterResponder plain(Archive(), {}, "\xff");
    for (int k : {0, 1, 2}) {
        const MeterAnswer answer = AnswerTo(meter, k);
        const std::string whole = Joined(AnswerTo(plain, k));
        EXPECT_EQ(whole.back(), '\xff');
        EXPECT_EQ(Joined(answer), whole) << "reply " << k;
        ASSERT_GE(answer.parts.size(), whole.size() / FailureModes::kChunkSize) << "reply " << k;
        EXPECT_EQ(answer.parts[0].pause, 30ms);
        for (std::size_t i = 1; i < answer.parts.size(); ++i) {
            EXPECT_LE(answer.parts[i].bytes.size(), FailureModes::kChunkSize);
            // The split's own pause stays where the reply is split.
            const bool splitHere = k == 2 && i == (kReplyDataOffset + kArchiveRecordSize + 15) / 16;
            EXPECT_EQ(answer.parts[i].pause, splitHere ? 1500ms : 5ms) << "reply " << k << " chunk " << i;
        }
    }
}

TEST(MeterResponder, GarbledRecordHasAnImpossibleDateAndNothingElseChanged) {
    FailureModes modes;
    modes.garbledRecords = {3};
    MeterResponder meter(Archive(), modes);
    ArchiveRecord received = ArchiveRecordFromBytes(DecodeRecordBytes(Joined(AnswerTo(meter, 3))));
    EXPECT_FALSE(received.when.IsValid());
    received.when = Archive()[2].when;
    EXPECT_EQ(received, Archive()[2]);
    EXPECT_TRUE(ArchiveRecordFromBytes(DecodeRecordBytes(Joined(AnswerTo(meter, 4)))).when.IsValid());
}

TEST(MeterResponder, SilentModes) {
    FailureModes never;
    never.silent = true;
    MeterResponder silent(Archive(), never);
    EXPECT_TRUE(AnswerTo(silent, 0).parts.empty());

    FailureModes afterTwo;
    afterTwo.silentAfter = 2;
    MeterResponder meter(Archive(), afterTwo);
    EXPECT_FALSE(AnswerTo(meter, 0).parts.empty());
    EXPECT_FALSE(AnswerTo(meter, 1).parts.empty());
    EXPECT_TRUE(AnswerTo(meter, 2).parts.empty());
    EXPECT_TRUE(AnswerTo(meter, 2).parts.empty());
}

TEST(MeterResponder, VanishesAfterTheLastReplyItIsAllowed) {
    FailureModes modes;
    modes.vanishAfter = 2;
    MeterResponder meter(Archive(), modes);
    EXPECT_FALSE(AnswerTo(meter, 0).vanishAfterward);
    const MeterAnswer second = AnswerTo(meter, 1);
    EXPECT_FALSE(second.parts.empty());
    EXPECT_TRUE(second.vanishAfterward);

    modes.vanishAfter = 0;
    MeterResponder gone(Archive(), modes);
    const MeterAnswer first = AnswerTo(gone, 0);
    EXPECT_TRUE(first.parts.empty());
    EXPECT_TRUE(first.vanishAfterward);
}

TEST(MeterResponder, RefusesARecordItCannotSend) {
    std::vector<ArchiveRecord> kArchive = Archive();
    kArchive[3].grain = "Пшеница мягкая яровая 2 кл.";
    try {
        MeterResponder meter(kArchive, {});
        FAIL() << "accepted a name that does not fit";
    } catch (const RecordEncodingError& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("record 4: ")) << error.what();
    }
}

}  // namespace
