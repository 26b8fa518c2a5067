#include "meter/engine/TariffSchedule.h"
#include "support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct Moment {
    QDateTime at;
    QString rate;
};

struct Scenario {
    std::string name;
    // Contents of veyranettimer.ini; nullptr leaves the file out.
    const char* ini;
    std::vector<Moment> moments;
};

// Failure messages name the scenario rather than dump its bytes.
void PrintTo(const Scenario& scenario, std::ostream* out) {
    *out << scenario.name;
}

QDateTime At(int year, int month, int day, int hour, int minute) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute));
}

// A settings file with distinct rates, so every answer shows which rule chose it.
std::string WithRates(const char* holidayLines, const char* timeLines = "") {
    return std::string("[节假日设置]\nValue=5\n") + holidayLines +
           "[时间设置]\nValue1=7\nValue2=3\n" + timeLines;
}

// Kept alive for the const char* pointers below.
const std::string kReversedBand = WithRates("", "From=23:00\nTo=08:00\n");
const std::string kEqualTimes = WithRates("", "From=08:00\nTo=08:00\n");
const std::string kMonthDayHoliday = WithRates("Count=1\n节日1=10月1日\n");
const std::string kFullDateHolidays = WithRates("Count=2\n节日1=2026/10/02\n节日2=2026-10-5\n");
const std::string kThreeCountedTwoPresent = WithRates("Count=3\n节日1=5月1日\n节日2=10月1日\n");
const std::string kTwoCountedTwoPresent = WithRates("Count=2\n节日1=5月1日\n节日2=10月1日\n");
const std::string kFractionalCount = WithRates("Count=1.5\n节日1=5月1日\n");
const std::string kHugeCount = WithRates("Count=1e9\n节日1=5月1日\n");
const std::string kRestDays = WithRates("Count1=2\n假日1=星期六\n");
const std::string kOneRestDay = WithRates("Count1=1\n假日1=星期六\n");
const std::string kHolidayAndRestDay = WithRates("Count=1\n节日1=3月4日\nCount1=1\n假日1=星期三\n");
const std::string kRateTexts = "[时间设置]\nValue1= 6.20 \nValue2=abc\n";
const char* const kWeekend = "Count1=2\n假日1=星期六\n假日2=星期日\n";
const std::string kMakeUpWorkdays =
    WithRates((std::string(kWeekend) + "Count2=2\n补班1=2026/03/07\n补班2=10月11日\n").c_str());
const std::string kMakeUpWorkdayOnAHoliday = WithRates(
    (std::string(kWeekend) + "Count=1\n节日1=2026/03/07\nCount2=1\n补班1=2026/03/07\n").c_str());
const std::string kMakeUpWorkdaysCountedNotPresent =
    WithRates((std::string(kWeekend) + "Count2=1e9\n补班1=2026-3-7\n").c_str());

// 2026-03-02 is a Monday, 2026-03-07 a Saturday.
const std::vector<Scenario> kScenarios = {
    {"NoFileUsesDefaultBand",
     nullptr,
     {{At(2026, 3, 2, 7, 59), "4.2"},
      {At(2026, 3, 2, 8, 0), "6.2"},
      {At(2026, 3, 2, 22, 59), "6.2"},
      {At(2026, 3, 2, 23, 0), "4.2"},
      // Without the file there are no rest days, Sunday included.
      {At(2026, 3, 8, 12, 0), "6.2"}}},
    {"ReversedTimesDoNotCrossMidnight",
     kReversedBand.c_str(),
     {{At(2026, 3, 2, 12, 0), "7"},
      {At(2026, 3, 2, 8, 0), "7"},
      {At(2026, 3, 2, 22, 59), "7"},
      {At(2026, 3, 2, 23, 30), "3"},
      {At(2026, 3, 2, 3, 0), "3"}}},
    {"EqualTimesGiveAnEmptyBand",
     kEqualTimes.c_str(),
     {{At(2026, 3, 2, 8, 0), "3"}, {At(2026, 3, 2, 12, 0), "3"}, {At(2026, 3, 2, 7, 59), "3"}}},
    {"MonthDayHolidayEveryYear",
     kMonthDayHoliday.c_str(),
     {{At(2026, 10, 1, 12, 0), "5"}, {At(2031, 10, 1, 3, 0), "5"}, {At(2026, 10, 2, 12, 0), "7"}}},
    {"FullDateHolidayOnlyInItsYear",
     kFullDateHolidays.c_str(),
     {{At(2026, 10, 2, 12, 0), "5"},
      {At(2027, 10, 2, 12, 0), "7"},
      {At(2026, 10, 5, 12, 0), "5"},
      {At(2027, 10, 5, 12, 0), "7"}}},
    {"MissingHolidayEntryReadsFirstOfJanuary",
     kThreeCountedTwoPresent.c_str(),
     {{At(2026, 1, 1, 12, 0), "5"}, {At(2026, 5, 1, 12, 0), "5"}, {At(2026, 1, 2, 12, 0), "7"}}},
    {"CountBoundsTheHolidayEntries",
     kTwoCountedTwoPresent.c_str(),
     {{At(2026, 1, 1, 12, 0), "7"}, {At(2026, 10, 1, 12, 0), "5"}}},
    {"FractionalCountStopsBelowIt",
     kFractionalCount.c_str(),
     {{At(2026, 5, 1, 12, 0), "5"}, {At(2026, 1, 1, 12, 0), "7"}}},
    {"HugeCountStillReadsMissingEntriesAsDefault",
     kHugeCount.c_str(),
     {{At(2026, 5, 1, 12, 0), "5"}, {At(2026, 1, 1, 12, 0), "5"}, {At(2026, 1, 2, 12, 0), "7"}}},
    {"MissingRestDayEntryReadsSunday",
     kRestDays.c_str(),
     {{At(2026, 3, 7, 12, 0), "5"},
      {At(2026, 3, 8, 12, 0), "5"},
      {At(2026, 3, 8, 3, 0), "5"},
      {At(2026, 3, 9, 12, 0), "7"}}},
    {"OneRestDayCounted",
     kOneRestDay.c_str(),
     {{At(2026, 3, 7, 12, 0), "5"}, {At(2026, 3, 8, 12, 0), "7"}}},
    {"HolidayAndRestDayBeatTheBand",
     kHolidayAndRestDay.c_str(),
     {{At(2026, 3, 4, 12, 0), "5"},  // holiday, also the rest day
      {At(2026, 3, 11, 12, 0), "5"}, // rest day only
      {At(2026, 3, 5, 12, 0), "7"}}},
    {"MakeUpWorkdayOnARestDayTakesTheBand",
     kMakeUpWorkdays.c_str(),
     {{At(2026, 3, 7, 12, 0), "7"},  // a Saturday worked: inside the band
      {At(2026, 3, 7, 23, 30), "3"}, // and outside it
      {At(2026, 3, 7, 7, 59), "3"},
      {At(2026, 3, 8, 12, 0), "5"},   // the Sunday after stays a rest day
      {At(2027, 3, 7, 12, 0), "5"},   // a full date counts only in its year
      {At(2026, 10, 11, 12, 0), "7"}, // a month-and-day entry counts every year
      {At(2031, 10, 11, 12, 0), "7"},
      {At(2026, 10, 10, 12, 0), "5"}}},
    {"HolidayBeatsAMakeUpWorkday",
     kMakeUpWorkdayOnAHoliday.c_str(),
     {{At(2026, 3, 7, 12, 0), "5"}, {At(2026, 3, 7, 23, 30), "5"}}},
    {"MissingMakeUpWorkdayEntryIsNoDay",
     kMakeUpWorkdaysCountedNotPresent.c_str(),
     {{At(2026, 3, 7, 12, 0), "7"}, {At(2026, 3, 8, 12, 0), "5"}, {At(2026, 3, 14, 12, 0), "5"}}},
    {"RateTextAsStored",
     kRateTexts.c_str(),
     {{At(2026, 3, 2, 12, 0), "6.20"}, {At(2026, 3, 2, 3, 0), "abc"}}},
};

class TariffScheduleTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(TariffScheduleTest, RateAtEachMoment) {
    const Scenario& scenario = GetParam();
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("veyranettimer.ini"));
    if (scenario.ini) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_GT(file.write(scenario.ini), 0);
    }
    for (const Moment& moment : scenario.moments) {
        SCOPED_TRACE(moment.at.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(CurrentRateText(path, moment.at), moment.rate);
    }
}

INSTANTIATE_TEST_SUITE_P(Tariff, TariffScheduleTest, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& info) {
                             return info.param.name;
                         });

// Every call reads the file afresh: a saved change shows at the next call.
TEST(TariffSchedule, ChangedFileTakesEffectAtTheNextCall) {
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("veyranettimer.ini"));
    const QDateTime noon = At(2026, 3, 2, 12, 0);
    EXPECT_EQ(CurrentRateText(path, noon), "6.2");

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_GT(file.write("[时间设置]\nValue1=8.5\n"), 0);
    file.close();
    EXPECT_EQ(CurrentRateText(path, noon), "8.5");
}

} // namespace
