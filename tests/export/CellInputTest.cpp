// Typed input as a spreadsheet reads it under a locale: numbers, dates with and without a time, texts.
#include "export/workbook/CellInput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <string>

namespace {

const InputLocale kRussian = InputLocale::FromPatterns(u',', u"dd.MM.yyyy", u"HH:mm:ss");
const InputLocale kC = InputLocale::FromPatterns(u'.', u"d/M/yy", u"HH:mm:ss");
const InputLocale kUs = InputLocale::FromPatterns(u'.', u"M/d/yy", u"h:mm:ss AP");

InputLocale WithMonthNames(InputLocale locale) {
    locale.monthNames = {u"January",   u"February", u"March",    u"April",    u"May", u"June", u"July", u"August",
                         u"September", u"October",  u"November", u"December", u"Jan", u"Feb",  u"Mar",  u"Apr",
                         u"May",       u"Jun",      u"Jul",      u"Aug",      u"Sep", u"Oct",  u"Nov",  u"Dec"};
    return locale;
}
// Qt's own C locale writes dates with a month name.
const InputLocale kNamed = WithMonthNames(InputLocale::FromPatterns(u'.', u"d MMM yyyy", u"HH:mm:ss"));
// Short names with a full stop besides those without: the longest name that fits is the one read.
InputLocale WithDottedNames(InputLocale locale) {
    for (const char16_t* name :
         {u"Jan.", u"Feb.", u"Mar.", u"Apr.", u"May.", u"Jun.", u"Jul.", u"Aug.", u"Sep.", u"Oct.", u"Nov.", u"Dec."}) {
        locale.monthNames.push_back(name);
    }
    return locale;
}
const InputLocale kDotted = WithDottedNames(kNamed);

// Locales as the system gives them: group separators, percent, their own digits and halves of the day, times
// with other separators and units.
InputLocale WithGroups(InputLocale locale, std::u16string group) {
    locale.groupSeparator = std::move(group);
    return locale;
}
const InputLocale kRussianSystem = WithGroups(kRussian, u"\u00A0");
const InputLocale kUsSystem = WithGroups(kUs, u",");
const InputLocale kFinnish = WithGroups(InputLocale::FromPatterns(u',', u"d.M.yyyy", u"H.mm.ss", u"H.mm"), u"\u00A0");
const InputLocale kJapanese = InputLocale::FromPatterns(u'.', u"yyyy/MM/dd", u"H時mm分ss秒", u"H:mm");
const InputLocale kCanadianFrench = InputLocale::FromPatterns(u',', u"yyyy-MM-dd", u"HH 'h' mm 'min' ss 's'");
InputLocale WithHalves(InputLocale locale, std::u16string am, std::u16string pm) {
    locale.amTexts = {std::move(am)};
    locale.pmTexts = {std::move(pm)};
    return locale;
}
const InputLocale kCanadian =
    WithHalves(InputLocale::FromPatterns(u'.', u"yyyy-MM-dd", u"h:mm:ss AP"), u"A.M.", u"P.M.");
const InputLocale kKorean =
    WithHalves(InputLocale::FromPatterns(u'.', u"yyyy. M. d.", u"AP h시 m분 s초"), u"오전", u"오후");
InputLocale WithDigits(InputLocale locale, char32_t zero) {
    locale.zeroDigit = zero;
    return locale;
}
const InputLocale kArabic = WithDigits(
    WithHalves(InputLocale::FromPatterns(u'\u066B', u"d\u200F/M\u200F/yyyy", u"h:mm:ss AP"), u"ص", u"م"), U'\u0660');
const InputLocale kChakma = WithDigits(InputLocale::FromPatterns(u'.', u"d/M/yyyy", u"h:mm:ss"), U'\U00011136');
// Settings no real locale has, which a plain-looking number must still be read under as the locale says.
InputLocale WithPercent(InputLocale locale, std::u16string percent) {
    locale.percentSign = std::move(percent);
    return locale;
}
const InputLocale kDigitPercent = WithPercent(kC, u"5");

// 2026-12-09 as the spreadsheet counts days.
constexpr double kDecember9 = 46365;

struct Case {
    const char* name;
    const InputLocale* locale;
    const char16_t* text;
    TypedInput::Kind kind;
    double number;
};

class CellInputTest : public testing::TestWithParam<Case> {};

TEST_P(CellInputTest, ReadsAsTheLocaleDoes) {
    const Case& c = GetParam();
    const TypedInput input = ReadTypedInput(c.text, *c.locale);
    EXPECT_EQ(input.kind, c.kind);
    if (c.kind == TypedInput::Kind::Number || c.kind == TypedInput::Kind::DateTime) {
        EXPECT_DOUBLE_EQ(input.number, c.number);
    }
}

constexpr auto kNumber = TypedInput::Kind::Number;
constexpr auto kDate = TypedInput::Kind::DateTime;
constexpr auto kText = TypedInput::Kind::Text;
constexpr auto kEmpty = TypedInput::Kind::Empty;

INSTANTIATE_TEST_SUITE_P(
    Cases, CellInputTest,
    testing::Values(
        Case{"RussianDecimalComma", &kRussian, u"12,345", kNumber, 12.345},
        Case{"RussianPointIsNoNumber", &kRussian, u"12.345", kText, 0},
        Case{"CDecimalPoint", &kC, u"12.345", kNumber, 12.345}, Case{"CCommaIsNoNumber", &kC, u"12,345", kText, 0},
        Case{"AllDigitsKept", &kC, u"0.123456789012345", kNumber, 0.123456789012345},
        Case{"Integer", &kC, u"750", kNumber, 750}, Case{"Negative", &kRussian, u"-3,5", kNumber, -3.5},
        Case{"Exponent", &kC, u"1.5E3", kNumber, 1500}, Case{"LoneSignIsText", &kC, u"-", kText, 0},
        Case{"EmptyIsEmpty", &kC, u"", kEmpty, 0}, Case{"Blank", &kC, u" ", kText, 0},
        Case{"Word", &kRussian, u"Пшеница", kText, 0},
        Case{"RussianDateTime", &kRussian, u"09.12.2026 14:05:31", kDate, kDecember9 + 50731.0 / 86400},
        Case{"RussianDateAlone", &kRussian, u"09.12.2026", kDate, kDecember9},
        Case{"CDateTwoDigitYear", &kC, u"9/12/26 14:05:31", kDate, kDecember9 + 50731.0 / 86400},
        Case{"UsMonthFirstWithPm", &kUs, u"12/9/26 2:05:31 PM", kDate, kDecember9 + 50731.0 / 86400},
        Case{"MonthName", &kNamed, u"9 Dec 2026 14:05:31", kDate, kDecember9 + 50731.0 / 86400},
        Case{"LongMonthNameAnyCase", &kNamed, u"9 DECEMBER 2026", kDate, kDecember9},
        Case{"NoSuchMonthName", &kNamed, u"9 Dez 2026", kText, 0},
        Case{"NameInTheDayPlace", &kNamed, u"Dec 9 2026", kText, 0},
        Case{"TheLongestNameThatFits", &kDotted, u"9 dec. 2026", kDate, kDecember9},
        Case{"TextAfterTheDate", &kRussian, u"09.12.2026г", kText, 0},
        Case{"NoSuchDay", &kRussian, u"31.02.2026", kText, 0},
        Case{"BadTime", &kRussian, u"09.12.2026 25:00:00", kText, 0},
        Case{"TimeWithoutSeconds", &kRussian, u"09.12.2026 14:05", kDate, kDecember9 + 50700.0 / 86400},
        Case{"LeapDay", &kRussian, u"29.02.2024", kDate, 45351},
        Case{"First1900Day", &kRussian, u"01.01.1900", kDate, 1},
        Case{"AfterThePhantomLeapDay", &kRussian, u"01.03.1900", kDate, 61},
        Case{"Before1900StaysText", &kRussian, u"31.12.1899", kText, 0},
        Case{"TwoDigitYear29Is2029", &kRussian, u"01.01.29", kDate, 47119},
        Case{"TwoDigitYear30Is1930", &kRussian, u"01.01.30", kDate, 10959},
        // Typed notes: what a spreadsheet makes of them, and nothing more.
        Case{"CommasAreNoRussianDate", &kRussianSystem, u"1,5,2026", kText, 0},
        Case{"BlanksAreNoRussianDate", &kRussianSystem, u"5 10 2026", kText, 0},
        Case{"Percentage", &kRussianSystem, u"12%", kNumber, 0.12},
        Case{"PercentageWithDecimals", &kRussianSystem, u"12,5 %", kNumber, 0.125},
        Case{"TypedBlankGroups", &kRussianSystem, u"1 234 567,5", kNumber, 1234567.5},
        Case{"NoBreakSpaceGroups", &kRussianSystem, u"1\u00A0234", kNumber, 1234},
        Case{"GroupsOfThreeOnly", &kRussianSystem, u"1 23", kText, 0},
        Case{"UsGroups", &kUsSystem, u"1,234.5", kNumber, 1234.5},
        Case{"FormulaStaysText", &kRussianSystem, u"=1+2", kText, 0},
        Case{"IsoDateAnywhere", &kRussianSystem, u"2026-12-09", kDate, kDecember9},
        // Times in the locale's own shape.
        Case{"FinnishTimeWithFullStops", &kFinnish, u"9.12.2026 14.05.31", kDate, kDecember9 + 50731.0 / 86400},
        Case{"FinnishShortTime", &kFinnish, u"9.12.2026 14.05", kDate, kDecember9 + 50700.0 / 86400},
        Case{"JapaneseUnits", &kJapanese, u"2026/12/09 14時05分31秒", kDate, kDecember9 + 50731.0 / 86400},
        Case{"JapaneseShortTime", &kJapanese, u"2026/12/09 14:05", kDate, kDecember9 + 50700.0 / 86400},
        Case{"CanadianFrenchUnits", &kCanadianFrench, u"2026-12-09 14 h 05 min 31 s", kDate,
             kDecember9 + 50731.0 / 86400},
        Case{"CanadianDayHalfWithFullStops", &kCanadian, u"2026-12-09 2:05:31 P.M.", kDate,
             kDecember9 + 50731.0 / 86400},
        Case{"KoreanDateAndDayHalfFirst", &kKorean, u"2026. 12. 9. 오후 2시 5분 31초", kDate,
             kDecember9 + 50731.0 / 86400},
        Case{"ArabicDigitsAndMarks", &kArabic, u"٩\u200F/١٢\u200F/٢٠٢٦ ٢:٠٥:٣١ م", kDate, kDecember9 + 50731.0 / 86400},
        Case{"ArabicDecimalSeparator", &kArabic, u"١٢\u066B٥", kNumber, 12.5},
        Case{"DigitsBeyondSixteenBits", &kChakma,
             u"\U0001113F/\U00011137\U00011138/\U00011138\U00011136\U00011138\U0001113C", kDate, kDecember9},
        Case{"HalfADigitIsNoDigit", &kChakma, u"\xD804", kText, 0},
        Case{"APercentSignThatIsADigit", &kDigitPercent, u"125", kNumber, 0.12},
        Case{"SixteenDigits", &kC, u"-1234567890.123456", kNumber, -1234567890.123456},
        Case{"PointWithoutDecimals", &kRussian, u"12,", kNumber, 12}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// Numbers as the table writes them, each read under the locale's decimal separator, are the very doubles that
// reading their digits in full gives: every length up to beyond 15 digits, every place of the separator.
TEST(CellInputNumbersTest, PlainDecimalsAreReadToTheLastBit) {
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    const auto next = [&] {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return state >> 11;
    };
    for (int k = 0; k < 20000; ++k) {
        std::string digits = std::to_string(next() % 100000000000000000u);
        digits.resize(1 + next() % std::min<std::size_t>(digits.size(), 17));
        const std::size_t point = next() % (digits.size() + 1);
        std::string ascii = (next() % 2 ? "-" : "") + digits.substr(0, point);
        if (point > 0 && point < digits.size()) {
            ascii += '.' + digits.substr(point);
        } else {
            ascii += digits.substr(point);
        }
        double expected = 0;
        std::from_chars(ascii.data(), ascii.data() + ascii.size(), expected);
        for (const InputLocale* locale : {&kC, &kRussianSystem}) {
            std::u16string text(ascii.begin(), ascii.end());
            std::replace(text.begin(), text.end(), u'.', locale->decimalPoint);
            const TypedInput input = ReadTypedInput(text, *locale);
            ASSERT_EQ(input.kind, TypedInput::Kind::Number) << ascii;
            ASSERT_EQ(std::bit_cast<std::uint64_t>(input.number), std::bit_cast<std::uint64_t>(expected)) << ascii;
            ASSERT_EQ(input.fractionTyped, ascii.find('.') != std::string::npos) << ascii;
        }
    }
}

TEST(InputLocaleTest, FormatsFollowTheLocalePatterns) {
    EXPECT_EQ(kRussian.dateOrder, InputLocale::DateOrder::DayMonthYear);
    EXPECT_EQ(kRussian.dateSeparator, u'.');
    EXPECT_EQ(kRussian.dateFormat, "dd.mm.yyyy");
    EXPECT_EQ(kRussian.timeFormat, "hh:mm:ss");
    EXPECT_EQ(kRussian.timeFormatWithoutSeconds, "hh:mm");
    EXPECT_EQ(kC.dateFormat, "d/m/yy");
    EXPECT_EQ(kUs.dateOrder, InputLocale::DateOrder::MonthDayYear);
    EXPECT_EQ(kNamed.dateFormat, "d mmm yyyy");
    EXPECT_EQ(kUs.timeFormat, "h:mm:ss AM/PM");
    const InputLocale iso = InputLocale::FromPatterns(u'.', u"yyyy-MM-dd", u"HH:mm:ss");
    EXPECT_EQ(iso.dateOrder, InputLocale::DateOrder::YearMonthDay);
    EXPECT_EQ(ReadTypedInput(u"2026-12-09", iso).number, kDecember9);
    // Units and marks other than the codes' own go in quotes; seconds leave with their separator or their unit.
    EXPECT_EQ(kJapanese.timeFormat, "h\"時\"mm\"分\"ss\"秒\"");
    EXPECT_EQ(kJapanese.timeFormatWithoutSeconds, "h:mm");
    EXPECT_EQ(kFinnish.timeFormatWithoutSeconds, "h.mm");
    EXPECT_EQ(kCanadianFrench.timeFormat, "hh \"h\" mm \"min\" ss \"s\"");
    EXPECT_EQ(kCanadianFrench.timeFormatWithoutSeconds, "hh \"h\" mm \"min\"");
    EXPECT_EQ(kArabic.dateFormat, "d/m/yyyy");
    // A percentage keeps its kind.
    EXPECT_TRUE(ReadTypedInput(u"12%", kRussianSystem).percent);
    EXPECT_FALSE(ReadTypedInput(u"12", kRussianSystem).percent);
}

}  // namespace
