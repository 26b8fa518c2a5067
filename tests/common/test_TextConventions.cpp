#include "common/TextConventions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

struct NumberCase {
    const char* text;
    double expected;
};

TEST(NumberFromText, ReadsTheLeadingDecimalNumber) {
    const NumberCase cases[] = {
        {"6.2元/时", 6.2}, {"5 次", 5},      {"", 0},         {"abc", 0},       {".5", 0.5},
        {"-3", -3},        {"  60 ", 60},    {"\t7", 7},      {"+4.25x", 4.25}, {"-.5", -0.5},
        {"5.", 5},         {"1.2.3", 1.2},   {"-", 0},        {".", 0},         {"- 5", 0},
        {"1e3", 1000},     {"2.5E-1", 0.25}, {"1e+2元", 100}, {"1e", 1},        {"3e+", 3},
        {"7e-x", 7},       {"1,000", 1},     {"x5", 0},       {"1e999", 0},     {"1e-999", 0},
    };
    for (const NumberCase& c : cases)
        EXPECT_DOUBLE_EQ(NumberFromText(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(NumberFromText, IgnoresFullWidthDigits) {
    // Only the date reader takes full-width digits; a number field holding them is not numeric.
    EXPECT_EQ(NumberFromText(QString::fromUtf8("６")), 0);
}

struct NumberTextCase {
    double number;
    const char* expected;
};

TEST(NumberToText, WritesPlainDecimalText) {
    const NumberTextCase cases[] = {
        {6.2, "6.2"},
        {60, "60"},
        {0.5, "0.5"},
        {1800, "1800"},
        {0, "0"},
        {-0.0, "0"},
        {-3, "-3"},
        {0.1 + 0.2, "0.3"},
        {1.0 / 3, "0.333333333333333"},
        {123456789012345, "123456789012345"},
        {0.0001, "0.0001"},
        {4.2 * 3, "12.6"},
        {-1.25, "-1.25"},
    };
    for (const NumberTextCase& c : cases)
        EXPECT_EQ(NumberToText(c.number), QString::fromUtf8(c.expected)) << c.number;
}

TEST(NumberToText, RoundTripsThroughNumberFromText) {
    for (const char* text : {"6.2", "4.2", "60", "0.05", "120", "-7.125"})
        EXPECT_EQ(NumberToText(NumberFromText(QString::fromUtf8(text))), QString::fromUtf8(text));
}

struct FixedCase {
    double number;
    int decimals;
    const char* expected;
};

TEST(FixedDecimalText, RoundsHalvesAwayFromZero) {
    const FixedCase cases[] = {
        {0.5, 2, "0.50"},
        {12.3, 2, "12.30"},
        {0.35, 2, "0.35"},
        {1799, 0, "1799"},
        {-3, 0, "-3"},
        {0, 2, "0.00"},
        {0.125, 2, "0.13"},
        {2.675, 2, "2.68"}, // stored just below 2.675
        {1.005, 2, "1.01"}, // stored just below 1.005
        {-2.675, 2, "-2.68"},
        {0.5, 0, "1"},
        {1.5, 0, "2"},
        {2.5, 0, "3"},
        {-0.5, 0, "-1"},
        {1798.6, 0, "1799"},
        {9.995, 2, "10.00"}, // carry into a new digit
        {99.5, 0, "100"},
        {0.004, 2, "0.00"},
        {-0.004, 2, "0.00"}, // no "-0.00"
        {0.0049999, 2, "0.00"},
        {0.005, 2, "0.01"},
        {0.0001, 2, "0.00"},
        {1e-20, 2, "0.00"},
        {0.1 + 0.2, 2, "0.30"},
        {6.2 / 3600 * 1800, 2, "3.10"},
        {1234567.891, 2, "1234567.89"},
        {1e17, 2, "100000000000000000.00"},
        {3.14159, 4, "3.1416"},
        {0.06, 1, "0.1"},
    };
    for (const FixedCase& c : cases)
        EXPECT_EQ(FixedDecimalText(c.number, c.decimals), QString::fromUtf8(c.expected))
            << c.number << " with " << c.decimals;
}

struct DateCase {
    const char* text;
    QDateTime expected;
};

QDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

TEST(DateFromText, ReadsEveryAcceptedForm) {
    const DateCase cases[] = {
        {"2001/3/8", At(2001, 3, 8)},
        {"2001/03/08", At(2001, 3, 8)},
        {"2001-3-8", At(2001, 3, 8)},
        {"2001-12-31", At(2001, 12, 31)},
        {"2001年3月8日", At(2001, 3, 8)},
        {"2001年03月08日", At(2001, 3, 8)},
        {"3/8", At(2024, 3, 8)},
        {"03-08", At(2024, 3, 8)},
        {"10月1日", At(2024, 10, 1)},
        {"1月1日", At(2024, 1, 1)},
        {"2002-1-1 0:00:00", At(2002, 1, 1)},
        {"2002年1月1日 0:00:00", At(2002, 1, 1)},
        {"2001/3/8 9:05", At(2001, 3, 8, 9, 5)},
        {"2001/3/8 09:05:03", At(2001, 3, 8, 9, 5, 3)},
        {"2001/3/8 23:59:59", At(2001, 3, 8, 23, 59, 59)},
        {"3月8日 8:5", At(2024, 3, 8, 8, 5)},
        {"3/8 8:05:7", At(2024, 3, 8, 8, 5, 7)},
        {"2001/3/8  9:05", At(2001, 3, 8, 9, 5)},
        {"  2001/3/8 9:05 ", At(2001, 3, 8, 9, 5)},
        {"２００１年３月８日", At(2001, 3, 8)},
        {"１０月１日 ８:３０", At(2024, 10, 1, 8, 30)},
        {"2月29日", At(2024, 2, 29)},
        {"2000/2/29", At(2000, 2, 29)},
    };
    for (const DateCase& c : cases) {
        const std::optional<QDateTime> read = DateFromText(QString::fromUtf8(c.text), 2024);
        ASSERT_TRUE(read.has_value()) << c.text;
        EXPECT_EQ(read->date(), c.expected.date()) << c.text;
        EXPECT_EQ(read->time(), c.expected.time()) << c.text;
        EXPECT_TRUE(IsDateText(QString::fromUtf8(c.text), 2024)) << c.text;
    }
}

TEST(DateFromText, RefusesTextsThatAreNoDate) {
    const char* const cases[] = {
        "",
        "   ",
        "abc",
        "13月1日",
        "2001/13/1",
        "0/1",
        "1/0",
        "2月30日",
        "2001/2/29",
        "2月29日", // 2023 is no leap year
        "4月31日",
        "1/2/3",
        "01/2/3",
        "001/2/3",
        "20010/1/1",
        "2001年3月",
        "2001年3月8",
        "3月8",
        "2001/3",
        "2001/3-8",
        "2001/3/8/",
        "2001/003/8",
        "3/008",
        "2001",
        "8",
        "9:05",
        "2001/3/8 24:00",
        "2001/3/8 9:60",
        "2001/3/8 9:05:60",
        "2001/3/8 9",
        "2001/3/8 9:",
        "2001/3/8 9:05:",
        "2001/3/8 9:005",
        "2001/3/8 123:05",
        "2001/3/8 9:05x",
        "2001/3/89:05",
        "2001年3月8日9:05",
        "3.8",
        "0000/1/1",
    };
    for (const char* text : cases) {
        EXPECT_FALSE(DateFromText(QString::fromUtf8(text), 2023).has_value()) << text;
        EXPECT_FALSE(IsDateText(QString::fromUtf8(text), 2023)) << text;
    }
}

TEST(DateFromText, IsInLocalTimeSoItComparesWithTheClock) {
    const std::optional<QDateTime> read = DateFromText(QStringLiteral("2001/3/8 9:05"), 2024);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->timeSpec(), Qt::LocalTime);
    EXPECT_EQ(*read, QDateTime(QDate(2001, 3, 8), QTime(9, 5)));
}

struct TimeCase {
    const char* text;
    std::optional<QTime> expected;
};

TEST(TimeFromText, ReadsHoursMinutesAndSeconds) {
    const TimeCase cases[] = {
        {"8:00", QTime(8, 0)},
        {"08:00", QTime(8, 0)},
        {"23:00", QTime(23, 0)},
        {"0:00:00", QTime(0, 0)},
        {"9:05:03", QTime(9, 5, 3)},
        {"8:5", QTime(8, 5)},
        {" 23:59:59 ", QTime(23, 59, 59)},
        {"８:３０", QTime(8, 30)},
        {"24:00", std::nullopt},
        {"8:60", std::nullopt},
        {"8:00:60", std::nullopt},
        {"8", std::nullopt},
        {"800", std::nullopt},
        {"8:", std::nullopt},
        {":30", std::nullopt},
        {"008:00", std::nullopt},
        {"8:000", std::nullopt},
        {"8:00:", std::nullopt},
        {"8:00:00:00", std::nullopt},
        {"8.30", std::nullopt},
        {"-1:00", std::nullopt},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"2001/3/8", std::nullopt},
    };
    for (const TimeCase& c : cases)
        EXPECT_EQ(TimeFromText(QString::fromUtf8(c.text)), c.expected) << c.text;
}

struct PatternCase {
    const char* pattern;
    const char* expected;
};

TEST(FormatPattern, WritesEveryPatternInUse) {
    const QDateTime value(QDate(2001, 3, 8), QTime(9, 5, 3));
    const PatternCase cases[] = {
        {"YYYY/MM/DD", "2001/03/08"},
        {"M月D日", "3月8日"},
        {"YYYY年M月D日", "2001年3月8日"},
        {"YYYYMMDD", "20010308"},
        {"YYYY年MM月DD日", "2001年03月08日"},
        {"H:MM:SS", "9:05:03"},
        {"HH:MM:SS", "09:05:03"},
        {"HH:MM", "09:05"},
        {"HMM", "905"},
        {"YYYY年M月D日 H:MM:SS", "2001年3月8日 9:05:03"},
        // Tokens and their neighbours.
        {"H:M", "9:5"},
        {"HH M", "09 3"},   // a blank ends the hour: M is the month again
        {"H::MM", "9::03"}, // only one ":" may stand between hour and minutes
        {"MM/DD HH:MM", "03/08 09:05"},
        {"S", "3"},
        {"YYY-Y", "YYY-Y"},
        {"时间 abc", "时间 abc"},
        {"", ""},
    };
    for (const PatternCase& c : cases)
        EXPECT_EQ(FormatPattern(value, QString::fromUtf8(c.pattern)), QString::fromUtf8(c.expected))
            << c.pattern;
}

TEST(FormatPattern, PadsTwoDigitFieldsAndKeepsLargeOnes) {
    const QDateTime value(QDate(2024, 12, 31), QTime(23, 59, 0));
    EXPECT_EQ(FormatPattern(value, QString::fromUtf8("YYYY年M月D日 H:MM:SS")),
              QString::fromUtf8("2024年12月31日 23:59:00"));
    EXPECT_EQ(FormatPattern(value, QStringLiteral("HMM")), QStringLiteral("2359"));
    EXPECT_EQ(FormatPattern(QDateTime(QDate(987, 1, 2), QTime(0, 0)), QStringLiteral("YYYYMMDD")),
              QStringLiteral("09870102"));
}

TEST(FormatPattern, DateAloneIsAtMidnightAndTimeAloneOnTheZeroDate) {
    EXPECT_EQ(FormatPattern(QDate(2001, 3, 8), QStringLiteral("YYYY/MM/DD HH:MM:SS")),
              QStringLiteral("2001/03/08 00:00:00"));
    EXPECT_EQ(FormatPattern(QTime(9, 5, 3), QStringLiteral("YYYY/MM/DD H:MM:SS")),
              QStringLiteral("1899/12/30 9:05:03"));
}

TEST(FormatPattern, InvalidValuesGiveEmptyText) {
    EXPECT_EQ(FormatPattern(QDate(), QStringLiteral("YYYY/MM/DD")), QString());
    EXPECT_EQ(FormatPattern(QTime(), QStringLiteral("HH:MM")), QString());
    EXPECT_EQ(FormatPattern(QDateTime(), QStringLiteral("HH:MM")), QString());
}

struct TextPatternCase {
    const char* value;
    const char* pattern;
    const char* expected;
};

TEST(FormatPattern, ReadsTextAsDateThenAsTimeElseKeepsIt) {
    const TextPatternCase cases[] = {
        {"8:5", "HH:MM", "08:05"},
        {"08:00", "HH:MM", "08:00"},
        {"23:00:59", "HH:MM", "23:00"},
        {" 7:30 ", "HH:MM", "07:30"},
        {"10月1日", "YYYY/MM/DD", "2024/10/01"},
        {"2001/3/8", "M月D日", "3月8日"},
        {"2001-3-8", "YYYY/MM/DD", "2001/03/08"},
        {"２００１/３/８", "YYYY/MM/DD", "2001/03/08"},
        {"2002年1月1日 0:00:00", "YYYY/MM/DD HH:MM:SS", "2002/01/01 00:00:00"},
        {"9:05", "YYYY/MM/DD", "1899/12/30"},
        {"25:00", "HH:MM", "25:00"},
        {"abc", "HH:MM", "abc"},
        {"", "HH:MM", ""},
        {"2月30日", "YYYY/MM/DD", "2月30日"},
    };
    for (const TextPatternCase& c : cases)
        EXPECT_EQ(FormatPattern(QString::fromUtf8(c.value), QString::fromUtf8(c.pattern), 2024),
                  QString::fromUtf8(c.expected))
            << c.value << " with " << c.pattern;
}

TEST(FormatPattern, HolidayEntriesMatchTodayAsTheMeterComparesThem) {
    // A month-and-day entry matches in every year; a full date only in its own year.
    const auto matches = [](const char* entry, const QDate& today) {
        const std::optional<QDateTime> read = DateFromText(QString::fromUtf8(entry), today.year());
        return read && FormatPattern(*read, QStringLiteral("YYYY/MM/DD")) ==
                           FormatPattern(today, QStringLiteral("YYYY/MM/DD"));
    };
    EXPECT_TRUE(matches("10月1日", QDate(2024, 10, 1)));
    EXPECT_TRUE(matches("10月1日", QDate(2031, 10, 1)));
    EXPECT_FALSE(matches("10月1日", QDate(2024, 10, 2)));
    EXPECT_TRUE(matches("2024/10/01", QDate(2024, 10, 1)));
    EXPECT_FALSE(matches("2024/10/01", QDate(2025, 10, 1)));
}

struct SecondsCase {
    double seconds;
    const char* expected;
};

TEST(FormatSeconds, WritesHoursMinutesSecondsFromTheNearestWholeSecond) {
    const SecondsCase cases[] = {
        {0, "0:00:00"},
        {59, "0:00:59"},
        {60, "0:01:00"},
        {3600, "1:00:00"},
        {25 * 3600 + 61, "25:01:01"},
        {3599.6, "1:00:00"},
        {3599.4, "0:59:59"},
        {59.4, "0:00:59"},
        {59.5, "0:01:00"},
        {0.5, "0:00:00"}, // halves to even
        {1.5, "0:00:02"},
        {2.5, "0:00:02"},
        {86399, "23:59:59"},
        {360000, "100:00:00"},
        {-5, "-0:00:05"},
    };
    for (const SecondsCase& c : cases)
        EXPECT_EQ(FormatSeconds(c.seconds), QString::fromUtf8(c.expected)) << c.seconds;
}

TEST(FormatSeconds, ReadsTextAsANumber) {
    EXPECT_EQ(FormatSeconds(QStringLiteral("abc")), QStringLiteral("0:00:00"));
    EXPECT_EQ(FormatSeconds(QString()), QStringLiteral("0:00:00"));
    EXPECT_EQ(FormatSeconds(QStringLiteral("3661")), QStringLiteral("1:01:01"));
    EXPECT_EQ(FormatSeconds(QStringLiteral(" 90.6秒")), QStringLiteral("0:01:31"));
}

TEST(FormatSeconds, SurvivesValuesNoCallerPasses) {
    EXPECT_EQ(FormatSeconds(std::nan("")), QStringLiteral("0:00:00"));
    EXPECT_EQ(FormatSeconds(1e300), QStringLiteral("277777777777:46:40"));
}

TEST(CharacterCount, CountsCodePointsAsTheStoreDoes) {
    const QChar lone[] = {QChar(0xD840)};
    const struct {
        QString text;
        qsizetype expected;
    } cases[] = {
        {QString(), 0},
        {QStringLiteral("Master"), 6},
        {QStringLiteral("公用帐号"), 4},
        // Outside the Basic Multilingual Plane: two UTF-16 units, one character.
        {QStringLiteral("𠀀𠀁𠀂"), 3},
        {QStringLiteral("a😀b"), 3},
        // A combining accent is a code point of its own, as SQLite's length() counts it.
        {QStringLiteral("e\u0301"), 2},
        // An unpaired surrogate is stored as a single "?".
        {QString(lone, 1) + QStringLiteral("x"), 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CharacterCount(c.text), c.expected) << c.text.toStdString();
}

} // namespace
