#include "archive/MeterProtocol.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A reply whose first 40 bytes are filler and whose data follows.
std::string Reply(const std::string& data, char filler = 'x') {
    return std::string(kReplyDataOffset, filler) + data;
}

struct AddressCase {
    const char* item;
    std::uint32_t address;
    const char* characters;
};

class RequestAddress : public testing::TestWithParam<AddressCase> {};

TEST_P(RequestAddress, IsWrittenLeastSignificantNibbleFirst) {
    const AddressCase& c = GetParam();
    const std::string request = BuildRecordRequest(c.address);
    EXPECT_EQ(request, std::string("_DATA_REQUEST_[0000000000]_[") + c.characters + "]");
    EXPECT_EQ(request.size(), kRequestSize);
    EXPECT_EQ(RequestedAddress(request), c.address);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, RequestAddress,
    testing::Values(AddressCase{"header", 200000, "04=03000"}, AddressCase{"record1", 200001, "14=03000"},
                    AddressCase{"record10", 200010, ":4=03000"}, AddressCase{"record15", 200015, "?4=03000"},
                    AddressCase{"record16", 200016, "05=03000"}, AddressCase{"record1000", 201000, "82113000"},
                    AddressCase{"record65535", 265535, "?3=04000"}),
    [](const auto& info) { return std::string(info.param.item); });

TEST(Request, HeaderRequestIsTheRequestForTheHeaderAddress) {
    EXPECT_EQ(BuildRecordRequest(kHeaderAddress), kHeaderRequest);
    EXPECT_EQ(RequestedAddress(kHeaderRequest), kHeaderAddress);
}

TEST(Request, NibbleCharactersCoverAllSixteenValues) {
    EXPECT_EQ(std::string(ValueToNibbleChars(0xFEDC).data(), 4), "<=>?");
    EXPECT_EQ(std::string(ValueToNibbleChars(0x3210).data(), 4), "0123");
    // Only the low 16 bits are written.
    EXPECT_EQ(std::string(ValueToNibbleChars(0x12345).data(), 4), "5432");
}

TEST(Request, TextsThatAreNotRequestsAreRecognised) {
    std::string request = BuildRecordRequest(200001);
    EXPECT_FALSE(RequestedAddress(request.substr(1)));
    EXPECT_FALSE(RequestedAddress(request + "]"));
    std::string noBracket = request;
    noBracket.back() = ')';
    EXPECT_FALSE(RequestedAddress(noBracket));
    std::string otherPrefix = request;
    otherPrefix[16] = '1';
    EXPECT_FALSE(RequestedAddress(otherPrefix));
}

struct HeaderCase {
    const char* name;
    const char* data;
    int count;
};

class HeaderReply : public testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderReply, AnnouncesTheCount) {
    EXPECT_EQ(DecodeHeaderReply(Reply(GetParam().data)), GetParam().count);
}

INSTANTIATE_TEST_SUITE_P(Counts, HeaderReply,
                         testing::Values(HeaderCase{"none", "0000", 0}, HeaderCase{"one", "1000", 1},
                                         HeaderCase{"sixteen", "0100", 16}, HeaderCase{"most", "????", 65535},
                                         HeaderCase{"highBitsIgnored", "ABCD", 0x4321},
                                         HeaderCase{"trailingBytesIgnored", "3000????\r\n", 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HeaderReplyData, IsTheInverseOfDecoding) {
    for (int count : {0, 1, 30, 4097, 65535}) {
        EXPECT_EQ(DecodeHeaderReply(Reply(HeaderReplyData(count))), count);
    }
    EXPECT_THROW(HeaderReplyData(65536), std::out_of_range);
    EXPECT_THROW(HeaderReplyData(-1), std::out_of_range);
}

TEST(HeaderReply, TheFirstFortyBytesAreNotExamined) {
    EXPECT_EQ(DecodeHeaderReply(Reply("2000", '?')), 2);
    EXPECT_EQ(DecodeHeaderReply(std::string(kReplyDataOffset, '\0') + "2000"), 2);
}

TEST(RecordReply, PairsAreLowNibbleFirst) {
    std::string data(2 * kArchiveRecordSize, '0');
    data.replace(0, 2, "01");   // byte 0: 0x10
    data.replace(2, 2, "??");   // byte 1: 0xFF
    data.replace(4, 2, "JK");   // byte 2: high bits ignored, 0xBA
    data.replace(72, 2, "5:");  // byte 36: 0xA5
    const ArchiveRecordBytes bytes = DecodeRecordBytes(Reply(data));
    EXPECT_EQ(bytes[0], 0x10);
    EXPECT_EQ(bytes[1], 0xFF);
    EXPECT_EQ(bytes[2], 0xBA);
    EXPECT_EQ(bytes[3], 0x00);
    EXPECT_EQ(bytes[36], 0xA5);
}

TEST(RecordReply, OnlyPositionsFortyTo113AreRead) {
    ArchiveRecordBytes record{};
    for (std::size_t p = 0; p < record.size(); ++p) {
        record[p] = static_cast<std::uint8_t>(7 * p + 3);
    }
    const std::string reply = Reply(RecordReplyData(record), '?') + std::string(200 - kRecordReplySize, '?');
    ASSERT_EQ(reply.size(), 200u);
    EXPECT_EQ(DecodeRecordBytes(reply), record);
    EXPECT_EQ(DecodeHeaderReply(reply), DecodeHeaderReply(reply.substr(0, kHeaderReplySize)));
}

TEST(Replies, TooShortToHoldTheirDataAreRefused) {
    EXPECT_THROW(DecodeHeaderReply(Reply("000")), ReplyTooShortError);
    EXPECT_NO_THROW(DecodeHeaderReply(Reply("0000")));
    EXPECT_THROW(DecodeRecordBytes(Reply(std::string(73, '0'))), ReplyTooShortError);
    EXPECT_NO_THROW(DecodeRecordBytes(Reply(std::string(74, '0'))));
    EXPECT_THROW(DecodeRecordBytes(""), ReplyTooShortError);
}

}  // namespace
