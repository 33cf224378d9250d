#include "archive/ArchiveBytes.h"
#include "archive/ArchiveRecord.h"
#include "text/Cp1251.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace {

// A valid record: "Рожь", 14.5 %, 750 g/l, 150.0 g, 21.5 degrees, 03.12.2007 09:07:05.
ArchiveRecordBytes SampleBytes() {
    ArchiveRecordBytes b{};
    b[1] = 0xD0;  // Р
    b[2] = 0xEE;  // о
    b[3] = 0xE6;  // ж
    b[4] = 0xFC;  // ь
    b[23] = 145;
    b[25] = 0xEE;
    b[26] = 0x02;
    b[27] = 0xDC;
    b[28] = 0x05;
    b[29] = 215;
    const std::uint8_t date[] = {5, 7, 9, 3, 12, 7};
    std::copy(std::begin(date), std::end(date), b.begin() + 31);
    return b;
}

TEST(ArchiveRecordFromBytes, ReadsEveryField) {
    const ArchiveRecord r = ArchiveRecordFromBytes(SampleBytes());
    EXPECT_EQ(r.calibration, 0);
    EXPECT_EQ(r.grain, "Рожь");
    EXPECT_EQ(r.moistureTenths, 145);
    EXPECT_EQ(r.testWeight, 750);
    EXPECT_EQ(r.massTenths, 1500);
    EXPECT_EQ(r.temperatureTenths, 215);
    EXPECT_EQ(r.when.Text(), "03.12.2007 09:07:05");
    EXPECT_TRUE(r.when.IsValid());
}

TEST(ArchiveRecordFromBytes, NameEndsAtTheFirstZeroByte) {
    ArchiveRecordBytes b = SampleBytes();
    b[1] = 0;
    EXPECT_EQ(ArchiveRecordFromBytes(b).grain, "");

    // Twenty name bytes end at the unused word.
    b = SampleBytes();
    std::fill(b.begin() + 1, b.begin() + 21, 0xE0);  // а
    std::string twenty;
    for (int i = 0; i < 20; ++i) {
        twenty += "а";
    }
    EXPECT_EQ(ArchiveRecordFromBytes(b).grain, twenty);
}

// The meter's names are read strictly: a damaged byte shows where it is, and a name holding one (or a character
// the meter has no byte for) is not sent back as if it were whole.
TEST(ArchiveRecordFromBytes, TheUndefinedNameByteShowsAndCannotGoBack) {
    ArchiveRecordBytes b = SampleBytes();
    b[2] = text::kCp1251UndefinedByte;
    ArchiveRecord r = ArchiveRecordFromBytes(b);
    EXPECT_EQ(r.grain, "Р\uFFFDжь");
    EXPECT_THROW(ArchiveRecordToBytes(r), RecordEncodingError);
    r.grain = "Р\u0098жь";
    EXPECT_THROW(ArchiveRecordToBytes(r), RecordEncodingError);
}

struct DateCase {
    const char* name;
    RecordDateTime when;
    const char* text;
    bool valid;
};

class RecordDateTimeTest : public testing::TestWithParam<DateCase> {};

TEST_P(RecordDateTimeTest, TextAndValidity) {
    EXPECT_EQ(GetParam().when.Text(), GetParam().text);
    EXPECT_EQ(GetParam().when.IsValid(), GetParam().valid);
}

// Fields: day, month, year, hour, minute, second.
INSTANTIATE_TEST_SUITE_P(
    Dates, RecordDateTimeTest,
    testing::Values(DateCase{"sample", {3, 12, 7, 9, 7, 5}, "03.12.2007 09:07:05", true},
                    DateCase{"midnight", {1, 1, 0, 0, 0, 0}, "01.01.2000 00:00:00", true},
                    DateCase{"lastSecond", {31, 12, 99, 23, 59, 59}, "31.12.2099 23:59:59", true},
                    DateCase{"leapDay", {29, 2, 24, 12, 0, 0}, "29.02.2024 12:00:00", true},
                    DateCase{"leapDay2000", {29, 2, 0, 12, 0, 0}, "29.02.2000 12:00:00", true},
                    DateCase{"noLeapDay", {29, 2, 23, 12, 0, 0}, "29.02.2023 12:00:00", false},
                    DateCase{"april31", {31, 4, 23, 12, 0, 0}, "31.04.2023 12:00:00", false},
                    DateCase{"month13", {1, 13, 7, 0, 0, 0}, "01.13.2007 00:00:00", false},
                    DateCase{"month0", {1, 0, 7, 0, 0, 0}, "01.00.2007 00:00:00", false},
                    DateCase{"day0", {0, 1, 7, 0, 0, 0}, "00.01.2007 00:00:00", false},
                    DateCase{"hour24", {1, 1, 7, 24, 0, 0}, "01.01.2007 24:00:00", false},
                    DateCase{"minute60", {1, 1, 7, 0, 60, 0}, "01.01.2007 00:60:00", false},
                    DateCase{"second60", {1, 1, 7, 0, 0, 60}, "01.01.2007 00:00:60", false},
                    DateCase{"yearByte100", {1, 1, 100, 0, 0, 0}, "01.01.20100 00:00:00", false},
                    DateCase{"erased", {255, 255, 255, 255, 255, 255}, "255.255.20255 255:255:255", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ArchiveRecordToBytes, WritesTheSampleRecord) {
    ArchiveRecord r;
    r.grain = "Рожь";
    r.moistureTenths = 145;
    r.testWeight = 750;
    r.massTenths = 1500;
    r.temperatureTenths = 215;
    r.when = {3, 12, 7, 9, 7, 5};
    EXPECT_EQ(ArchiveRecordToBytes(r), SampleBytes());
}

TEST(ArchiveRecordToBytes, RefusesWhatTheRecordCannotCarry) {
    ArchiveRecord r;
    r.grain = "Пшеница озимая 3 кл.";  // 20 characters: the longest
    EXPECT_NO_THROW(ArchiveRecordToBytes(r));
    r.grain += "!";
    EXPECT_THROW(ArchiveRecordToBytes(r), RecordEncodingError);
    r.grain = std::string("a\0b", 3);
    EXPECT_THROW(ArchiveRecordToBytes(r), RecordEncodingError);
    r.grain = "麦";
    EXPECT_THROW(ArchiveRecordToBytes(r), RecordEncodingError);
    r.grain = "";
    r.testWeight = -1;
    EXPECT_THROW(ArchiveRecordToBytes(r), RecordEncodingError);
    r.testWeight = -2;
    r.massTenths = -1;
    EXPECT_THROW(ArchiveRecordToBytes(r), RecordEncodingError);
}

// Any record the encoder accepts comes back unchanged, over the whole range of every field.
TEST(ArchiveRecordToBytes, RoundTripsThroughTheReplyText) {
    std::mt19937 random(20071203);
    auto any = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int i = 0; i < 5000; ++i) {
        ArchiveRecord r;
        r.calibration = static_cast<std::uint8_t>(any(0, 255));
        std::string name;
        const int length = any(0, 20);
        for (int c = 0; c < length; ++c) {
            int byte = any(1, 255);
            name += static_cast<char>(byte == text::kCp1251UndefinedByte ? 'x' : byte);
        }
        r.grain = text::Cp1251ToUtf8(name, text::kStrictCp1251);
        r.moistureTenths = static_cast<std::int16_t>(any(-32768, 32767));
        if (any(0, 7) != 0) {
            r.testWeight = static_cast<std::int16_t>(any(-32768, 32767));
        }
        if (any(0, 7) != 0) {
            r.massTenths = static_cast<std::int16_t>(any(-32768, 32767));
        }
        if (r.testWeight == -1) {
            r.testWeight = -2;
        }
        if (r.massTenths == -1) {
            r.massTenths = 0;
        }
        r.temperatureTenths = static_cast<std::int16_t>(any(-32768, 32767));
        r.when = {std::uint8_t(any(0, 255)), std::uint8_t(any(0, 255)), std::uint8_t(any(0, 255)),
                  std::uint8_t(any(0, 255)), std::uint8_t(any(0, 255)), std::uint8_t(any(0, 255))};

        const std::string reply = std::string(kReplyDataOffset, '_') + RecordReplyData(ArchiveRecordToBytes(r));
        ASSERT_EQ(ArchiveRecordFromBytes(DecodeRecordBytes(reply)), r) << "record " << i;
    }
}

// The value times 0.1 rounded once to a float, worked out in exact integers: the double nearest 0.1 is
// 3602879701896397 / 2^55, so the exact product is |v| * 3602879701896397 / 2^55, whose top 24 bits are rounded
// to the nearest, ties to even.
float TenthsReference(std::int16_t raw) {
    const unsigned __int128 exact = static_cast<unsigned __int128>(std::abs(int{raw})) * 3602879701896397ULL;
    if (exact == 0) {
        return 0.0f;
    }
    int bits = 0;
    for (unsigned __int128 n = exact; n != 0; n >>= 1) {
        ++bits;
    }
    const int shift = bits - 24;
    unsigned __int128 significand = exact >> shift;
    const unsigned __int128 rest = exact & ((static_cast<unsigned __int128>(1) << shift) - 1);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (rest > half || (rest == half && (significand & 1) != 0)) {
        ++significand;
    }
    const float magnitude = std::ldexp(static_cast<float>(static_cast<std::uint32_t>(significand)), shift - 55);
    return raw < 0 ? -magnitude : magnitude;
}

TEST(TenthsAsSingle, IsTheProductRoundedOnceForEveryRawValue) {
    EXPECT_EQ(double(TenthsAsSingle(178)), 17.799999237060547);
    EXPECT_EQ(double(TenthsAsSingle(9)), 0.8999999761581421);
    EXPECT_EQ(double(TenthsAsSingle(123)), 12.300000190734863);
    EXPECT_EQ(double(TenthsAsSingle(-1)), -0.10000000149011612);
    EXPECT_EQ(double(TenthsAsSingle(145)), 14.5);
    int differing = 0;
    for (int raw = -32768; raw <= 32767; ++raw) {
        const auto value = static_cast<std::int16_t>(raw);
        if (TenthsAsSingle(value) != TenthsReference(value) && ++differing <= 5) {
            ADD_FAILURE() << "raw " << raw << " gives " << TenthsAsSingle(value) << ", not " << TenthsReference(value);
        }
    }
    EXPECT_EQ(differing, 0);
}

TEST(ArchiveBytes, RecordByteStandsInItsColumn) {
    ArchiveBytes area;
    EXPECT_EQ(area.Record(1), ArchiveRecordBytes{});
    const ArchiveRecordBytes sample = SampleBytes();
    area.StoreRecord(5, sample);
    for (std::size_t p = 0; p < kArchiveRecordSize; ++p) {
        EXPECT_EQ(area.At(p * 1000 + 4), sample[p]) << p;
    }
    EXPECT_EQ(area.Record(5), sample);
    EXPECT_EQ(area.Record(4), ArchiveRecordBytes{});

    area.StoreRecord(65535, sample);
    EXPECT_EQ(area.At(36 * 1000 + 65534), sample[36]);
    EXPECT_EQ(area.Record(65535), sample);
}

TEST(ArchiveBytes, RecordNumbersOutsideTheArchiveAreRefused) {
    ArchiveBytes area;
    EXPECT_THROW(area.StoreRecord(0, SampleBytes()), std::out_of_range);
    EXPECT_THROW(area.StoreRecord(65536, SampleBytes()), std::out_of_range);
    EXPECT_THROW(area.Record(-1), std::out_of_range);
}

}  // namespace
