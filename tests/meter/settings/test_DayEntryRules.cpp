#include "meter/settings/DayEntryRules.h"
#include "meter/settings/DayList.h"

#include <gtest/gtest.h>

namespace {

struct HolidayCase {
    const char* typed;
    int year;
    const char* entry; // nullptr: refused
};

TEST(DayEntryRules, NormalisesTypedHolidays) {
    const HolidayCase cases[] = {
        {"5月1日", 2026, "5月1日"},
        {"05月01日", 2026, "5月1日"},
        {"2026年5月1日", 2026, "2026/05/01"},
        // Another year is kept as typed: that one day only.
        {"2027年10月1日", 2026, "2027/10/01"},
        {"2026/5/1", 2026, "2026/05/01"},
        {"2026-05-01 8:30", 2026, "2026/05/01"},
        {"5/1", 2026, "5月1日"},
        {"10-1", 2026, "10月1日"},
        {"５月１日", 2026, "5月1日"},
        {"２０２６年５月１日", 2026, "2026/05/01"},
        {"  2026年5月1日 ", 2026, "2026/05/01"},
        {"2月29日", 2028, "2月29日"},
        {"2月29日", 2026, nullptr},
        {"2月30日", 2026, nullptr},
        {"2026年2月30日", 2026, nullptr},
        {"13月1日", 2026, nullptr},
        {"abc", 2026, nullptr},
        {"", 2026, nullptr},
        {"此处填写日期然后添加", 2026, nullptr},
        {"5月1", 2026, nullptr},
    };
    for (const HolidayCase& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::optional<QString> entry =
            DayEntryRules::HolidayEntry(QString::fromUtf8(c.typed), c.year);
        if (c.entry)
            EXPECT_EQ(entry, std::optional<QString>(QString::fromUtf8(c.entry)));
        else
            EXPECT_FALSE(entry.has_value()) << entry->toStdString();
    }
}

TEST(DayEntryRules, ReadsEveryAcceptedWeekdayText) {
    const QList<QPair<QString, QStringList>> table = {
        {"星期一", {"星期一", "周一", "礼拜一", "一", "1", "１"}},
        {"星期二", {"星期二", "周二", "礼拜二", "二", "2", "２"}},
        {"星期三", {"星期三", "周三", "礼拜三", "三", "3", "３"}},
        {"星期四", {"星期四", "周四", "礼拜四", "四", "4", "４"}},
        {"星期五", {"星期五", "周五", "礼拜五", "五", "5", "５"}},
        {"星期六", {"星期六", "周六", "礼拜六", "六", "6", "６"}},
        {"星期日",
         {"星期日", "星期天", "星期七", "周日", "周七", "礼拜日", "礼拜七", "日", "七", "7", "７",
          " 日 ", "  星期天"}},
    };
    for (const auto& [entry, accepted] : table) {
        for (const QString& typed : accepted) {
            SCOPED_TRACE(typed.toStdString());
            EXPECT_EQ(DayEntryRules::RestDayEntry(typed), std::optional<QString>(entry));
        }
    }
}

TEST(DayEntryRules, RefusesOtherWeekdayTexts) {
    const QStringList refused = {"天",    "周天", "礼拜天", "0",      "8",  "０",
                                 "８",    "",     "  ",     "星期",   "周", "星期１",
                                 "星期8", "Sun",  "日日",   "星期 日"};
    for (const QString& typed : refused) {
        SCOPED_TRACE(typed.toStdString());
        EXPECT_FALSE(DayEntryRules::RestDayEntry(typed).has_value());
    }
}

TEST(DayList, SortsDigitsBeforeChineseWhateverTheOrderOfAdding) {
    const QStringList holidays = {"10月1日", "1月1日", "5月1日", "5月4日",
                                  "6月1日",  "7月1日", "8月1日"};
    EXPECT_EQ(DayList(DayEntryRules::BuiltInHolidays()).entries(), holidays);
    QStringList reversed = DayEntryRules::BuiltInHolidays();
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(DayList(reversed).entries(), holidays);

    EXPECT_EQ(DayList({"星期日", "星期六"}).entries(), QStringList({"星期六", "星期日"}));
    EXPECT_EQ(DayList(DayEntryRules::BuiltInRestDays()).entries(),
              QStringList({"星期六", "星期日"}));

    DayList mixed({"5月1日", "2026/05/01", "10月1日"});
    EXPECT_EQ(mixed.add("2025/12/31"), 1);
    EXPECT_EQ(mixed.entries(), QStringList({"10月1日", "2025/12/31", "2026/05/01", "5月1日"}));
}

TEST(DayList, AddsEachTextOnceButLoadsDuplicates) {
    DayList list({"星期六"});
    EXPECT_EQ(list.add("星期日"), 1);
    EXPECT_EQ(list.add("星期日"), -1);
    EXPECT_EQ(list.add("星期一"), 0);
    EXPECT_EQ(list.entries(), QStringList({"星期一", "星期六", "星期日"}));

    // Loading takes the file's entries as they are.
    EXPECT_EQ(DayList({"5月1日", "", "5月1日"}).entries(), QStringList({"", "5月1日", "5月1日"}));
}

TEST(DayList, ChoosesTheSelectionAfterARemoval) {
    DayList list({"a", "b", "c"});
    EXPECT_EQ(list.removeAt(2), 0); // the last one: back to the top
    EXPECT_EQ(list.entries(), QStringList({"a", "b"}));
    EXPECT_EQ(list.removeAt(0), 0); // the one that followed
    EXPECT_EQ(list.entries(), QStringList({"b"}));
    EXPECT_EQ(list.removeAt(1), -1); // nothing at that row
    EXPECT_EQ(list.count(), 1);
    EXPECT_EQ(list.removeAt(0), -1); // the only one: none left
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.removeAt(0), -1);
}

} // namespace
