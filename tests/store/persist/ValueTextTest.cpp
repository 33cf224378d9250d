// Values as ADO's XML writes them, and back.
#include "store/persist/PersistError.h"
#include "store/persist/ValueText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

using namespace persist;

namespace {

Column Of(DataType type, std::int32_t scale = 0) {
    Column column;
    column.name = "v";
    column.type = type;
    column.scale = scale;
    return column;
}

struct TextCase {
    const char* name;
    DataType type;
    const char* text;      // as ADO writes it
    const char* readBack;  // what we write after reading it (null: the same)
};

TEST(ValueText, AdosTextsSurviveReadingAndWriting) {
    const TextCase kCases[] = {
        {"int min", DataType::I4, "-2147483648", nullptr},
        {"bigint max", DataType::I8, "9223372036854775807", nullptr},
        {"currency min", DataType::Currency, "-922337203685477.5808", nullptr},
        {"currency trailing zeros dropped", DataType::Currency, "1234.5600", "1234.56"},
        {"double 17 digits", DataType::R8, "3.1415899999999999", nullptr},
        {"double max", DataType::R8, "1.7976931348623157E+308", nullptr},
        {"single 8 digits", DataType::R4, "5.3249998", nullptr},
        {"single moisture", DataType::R4, "12.3", nullptr},
        {"single negative", DataType::R4, "-1.5", nullptr},
        {"date midnight", DataType::Date, "2026-06-12T00:00:00", nullptr},
        {"date before 1899", DataType::Date, "1899-12-29T12:00:00", nullptr},
        {"date year 100", DataType::Date, "0100-01-01T00:00:00", nullptr},
        {"timestamp fraction", DataType::DbTimeStamp, "2026-01-02T03:04:05.123000000", nullptr},
        {"timestamp whole", DataType::DbTimeStamp, "9999-12-31T23:59:59", nullptr},
        {"filetime start", DataType::FileTime, "1601-01-01T00:00:00", nullptr},
        {"guid", DataType::Guid, "{00000000-0000-0000-0000-000000001000}", nullptr},
        {"bytes", DataType::Bytes, "0100dead", nullptr},
        {"bytes upper case", DataType::Bytes, "0100DEAD", "0100dead"},
        {"boolean", DataType::Bool, "True", nullptr},
        {"negative zero", DataType::R8, "-0", "0"},
    };
    for (const TextCase& c : kCases) {
        const std::string value = ParseValue(Of(c.type), c.text);
        EXPECT_EQ(FormatValue(Of(c.type), value), c.readBack ? c.readBack : c.text) << c.name;
    }
}

TEST(ValueText, DecimalsKeepTheColumnsScale) {
    const std::string value = ParseValue(Of(DataType::Decimal, 4), "1000.1");
    EXPECT_EQ(value[2], 4);  // scale byte
    EXPECT_EQ(FormatValue(Of(DataType::Decimal, 4), value), "1000.1");
    EXPECT_EQ(FormatValue(Of(DataType::Numeric, 4), ParseValue(Of(DataType::Numeric, 4), "-5002.1234")), "-5002.1234");
}

TEST(ValueText, VariantDatesCountTheTimeFromTheStartOfTheDay) {
    EXPECT_EQ(PartsToVariantDate(DateTimeParts{1899, 12, 29, 12, 0, 0, 0}), -1.5);
    const DateTimeParts p = VariantDateToParts(-1.5);
    EXPECT_EQ(p.day, 29);
    EXPECT_EQ(p.hour, 12);
    // 23:59:59.6 rounds into the next day.
    const DateTimeParts q = VariantDateToParts(1.0 + (86399.6 / 86400.0));
    EXPECT_EQ(q.day, 1);
    EXPECT_EQ(q.month, 1);
    EXPECT_EQ(q.hour, 0);
}

TEST(ValueText, TextsThatAreNotValuesAreRefused) {
    const struct {
        DataType type;
        const char* text;
    } kBad[] = {{DataType::I4, "2147483648"},
                {DataType::I4, "1.5"},
                {DataType::I4, ""},
                {DataType::I2, "0x10"},
                {DataType::R8, "nan"},
                {DataType::R8, "inf"},
                {DataType::R8, "1e999"},
                {DataType::R4, "1e39"},
                {DataType::Currency, "1.00001"},
                {DataType::Date, "2026-02-30T00:00:00"},
                {DataType::Date, "2026-01-01T24:00:00"},
                {DataType::Bool, "yes"},
                {DataType::Bytes, "abc"},
                {DataType::Guid, "{1234}"},
                {DataType::Currency, "922337203685477.5808"}};
    for (const auto& c : kBad) {
        EXPECT_THROW(ParseValue(Of(c.type), c.text), PersistError) << DataTypeName(c.type) << " " << c.text;
    }
    EXPECT_THROW(FormatValue(Of(DataType::R8), EncodeDouble(std::numeric_limits<double>::quiet_NaN())), PersistError);
    EXPECT_THROW(FormatValue(Of(DataType::R8), "short"), PersistError);
}

// ADO writes numbers with printf's "%.17G" (doubles) and "%.8G", or "%.9G" where 8 digits do not give the
// single back; the writer must give the same digits, rounding ties included, for any value.
TEST(ValueText, NumbersAreWrittenAsPrintfWritesThem) {
    std::mt19937_64 random(20260612);
    const auto printed = [](const char* format, double value) {
        char text[40];
        std::snprintf(text, sizeof text, format, value);
        return std::string(text);
    };
    for (int k = 0; k < 20000; ++k) {
        const std::uint64_t bits = random();
        // Odd multiples of a quarter near 2^52 end in a 5 at the 18th digit: ties for "%.17G".
        const double tie = std::ldexp(static_cast<double>((std::uint64_t{1} << 52) | (bits >> 12) | 1), -2);
        double any;
        std::memcpy(&any, &bits, sizeof any);
        for (const double value : {tie, any, std::ldexp(tie, static_cast<int>(bits % 600) - 300)}) {
            if (!std::isfinite(value) || value == 0) {
                continue;
            }
            EXPECT_EQ(FormatValue(Of(DataType::R8), EncodeDouble(value)), printed("%.17G", value));
        }
        float single;
        const auto bits32 = static_cast<std::uint32_t>(bits);
        std::memcpy(&single, &bits32, sizeof single);
        if (!std::isfinite(single) || single == 0) {
            continue;
        }
        std::string expected = printed("%.8G", single);
        if (std::strtof(expected.c_str(), nullptr) != single) {
            expected = printed("%.9G", single);
        }
        EXPECT_EQ(FormatValue(Of(DataType::R4), EncodeSingle(single)), expected);
    }
}

TEST(ValueText, NumbersBeyondADoubleReadAsStrtodReadsThem) {
    EXPECT_EQ(DecodeDouble(ParseValue(Of(DataType::R8), "1e-400")), 0.0);
    EXPECT_EQ(DecodeDouble(ParseValue(Of(DataType::R8), "4.9406564584124654E-324")),
              std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(DecodeDouble(ParseValue(Of(DataType::R8), "+2.5")), 2.5);
    EXPECT_EQ(DecodeSingle(ParseValue(Of(DataType::R4), "1e-50")), 0.0f);
    EXPECT_THROW(ParseValue(Of(DataType::R8), "1e309"), PersistError);
}

// A timestamp's fields are written as printf's "%04d-%02d-%02dT%02d:%02d:%02d.%09u" writes them, also
// where a field does not fit its place.
TEST(ValueText, TimestampFieldsAreWrittenAsPrintfWritesThem) {
    const DateTimeParts kParts[] = {{2026, 6, 12, 8, 5, 9, 7},
                                    {-5, 123, 7, 1, 2, 3, 0},
                                    {32767, 65535, 65535, 65535, 65535, 65535, 4294967295u},
                                    {0, 0, 0, 0, 0, 0, 1}};
    for (const DateTimeParts& p : kParts) {
        char text[128];
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", p.year, p.month, p.day, p.hour, p.minute,
                      p.second);
        std::string expected = text;
        if (p.nanoseconds != 0) {
            std::snprintf(text, sizeof text, ".%09u", static_cast<unsigned>(p.nanoseconds));
            expected += text;
        }
        EXPECT_EQ(FormatValue(Of(DataType::DbTimeStamp), EncodeDbTimeStamp(p)), expected);
    }
}

}  // namespace
