#include "statdesk/QueryError.h"
#include "statdesk/QueryRange.h"
#include "statdesk/SessionText.h"

#include <gtest/gtest.h>

namespace {

TEST(SessionText, Duration) {
    const struct {
        double seconds;
        const char* text;
    } cases[] = {{0, "0:00:00"},        {59, "0:00:59"},   {3725, "1:02:05"},
                 {360000, "100:00:00"}, {59.5, "0:01:00"}, {-65, "-0:01:05"}};
    for (const auto& c : cases)
        EXPECT_EQ(SessionText::duration(c.seconds), QString::fromUtf8(c.text)) << c.seconds;
}

TEST(SessionText, DateKeepsLeadingZeros) {
    EXPECT_EQ(SessionText::date("20010308"), QString("2001年03月08日"));
    EXPECT_EQ(SessionText::date("20261231"), QString("2026年12月31日"));
}

TEST(SessionText, FeeHasFourDecimals) {
    const struct {
        double yuan;
        const char* text;
    } cases[] = {{3.1, "3.1000 元"},
                 {0.5, "0.5000 元"},
                 {0, "0.0000 元"},
                 {-0.25, "-0.2500 元"},
                 {1234567.8912, "1234567.8912 元"},
                 {2.00005, "2.0001 元"}};
    for (const auto& c : cases)
        EXPECT_EQ(SessionText::fee(SessionText::feeUnits(c.yuan)), QString::fromUtf8(c.text))
            << c.yuan;
}

TEST(QueryRange, ClampedDay) {
    const struct {
        const char* year;
        const char* month;
        const char* day;
        const char* clamped;
    } cases[] = {
        {"2026", "4", "31", "30"},   {"2026", "9", "31.5", "30"}, {"2026", "6", "30", "30"},
        {"2026", "04", "31", "31"}, // not exactly "4": left for the date check
        {"2004", "2", "30", "29"},   {"2001", "2", "29", "28"},   {"2001", "2", " 30 ", "28"},
        {"2003.6", "2", "29", "29"}, // the year rounds to 2004
        {"2001", "2", "15", "15"},   {"2026", "1", "x", "x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QueryRange::clampedDay(c.year, c.month, c.day), QString::fromUtf8(c.clamped))
            << c.year << "-" << c.month << "-" << c.day;
}

TEST(QueryRange, FebruaryDayMustBeANumber) {
    try {
        QueryRange::clampedDay("2001", "2", "29日");
        FAIL() << "no error";
    } catch (const QueryError& error) {
        EXPECT_EQ(error.number(), QueryError::TypeMismatch);
    }
}

TEST(QueryRange, Bound) {
    EXPECT_EQ(QueryRange::bound("2001", "6", "1"), 20010601);
    EXPECT_EQ(QueryRange::bound("2004", "2", "29"), 20040229);
    EXPECT_EQ(QueryRange::bound("2026", "12", "31"), 20261231);
    for (const auto& [year, month, day] : {std::tuple{"2001", "2", "29"},
                                           {"2001", "13", "1"},
                                           {"2001", "1", ""},
                                           {"01", "1", "1"}}) {
        EXPECT_THROW(QueryRange::bound(year, month, day), QueryError)
            << year << "-" << month << "-" << day;
    }
}

TEST(QueryError, StoreMessagesKeepTheirResultCode) {
    EXPECT_EQ(QueryError::fromStore("database is locked").text(), QString("5:database is locked"));
    EXPECT_EQ(QueryError::fromStore("no such table: Notes").number(), 1);
}

} // namespace
