#include "statdesk/ChartScale.h"
#include "statdesk/GroupTableModel.h"
#include "statdesk/SessionGrouping.h"
#include "statdesk/SessionTableModel.h"
#include "statdesk/UsageSeries.h"

#include <QDate>
#include <QDateTime>
#include <gtest/gtest.h>
#include <map>

namespace {

struct Expected {
    int sessions = 0;
    double seconds = 0;
    qint64 fee = 0;
};

SessionRow RowOn(const QDate& day, double seconds, qint64 fee) {
    SessionRow row;
    row.times = QStringList({day.toString("yyyyMMdd"), "23:59:00",
                             day.addDays(1).toString("yyyyMMdd"), "0:01:00"})
                    .join(SessionRow::Separator);
    row.seconds = seconds;
    row.shownSeconds = seconds;
    row.fee = fee;
    return row;
}

// Sessions on days spread over a year's end, a leap February and the end of every month of a
// span of several years, in no particular order, with the sums each day and month should get
// counted from the dates the rows were made from.
struct Fixture {
    Fixture() {
        QList<QDate> days = {QDate(2023, 12, 31), QDate(2024, 1, 1),   QDate(2024, 2, 28),
                             QDate(2024, 2, 29),  QDate(2024, 3, 1),   QDate(2024, 4, 30),
                             QDate(2024, 5, 1),   QDate(2025, 2, 28),  QDate(2025, 3, 1),
                             QDate(2028, 2, 29),  QDate(2031, 12, 31), QDate(2032, 1, 1)};
        // Plus a pseudo-random scatter over ten years.
        const QDate first(2022, 1, 1);
        for (int i = 0; i < 400; ++i)
            days << first.addDays((i * 7919) % 3653);
        for (int i = 0; i < days.size(); ++i) {
            const QDate day = days.at(i);
            // Some days get a second and third session.
            for (int k = 0; k <= i % 3; ++k) {
                const double seconds = 1 + (i * 37 + k * 11) % 7200;
                const qint64 fee = (i * 131 + k * 17) % 100000 - 50; // a few negative
                rows.push_back(RowOn(day, seconds, fee));
                for (auto* byKey : {&byDay, &byMonth}) {
                    Expected& e = (*byKey)[byKey == &byDay ? day.toString("yyyy-MM-dd")
                                                           : day.toString("yyyy-MM")];
                    ++e.sessions;
                    e.seconds += seconds;
                    e.fee += fee;
                }
            }
        }
    }
    std::vector<SessionRow> rows;
    std::map<QString, Expected> byDay;
    std::map<QString, Expected> byMonth;
};

void ExpectGroups(const std::vector<SessionGroup>& groups, GroupPeriod period,
                  const std::map<QString, Expected>& expected) {
    ASSERT_EQ(groups.size(), expected.size());
    auto it = expected.begin();
    for (const SessionGroup& group : groups) {
        const QString label = SessionGrouping::isoLabel(group.key, period);
        EXPECT_EQ(label, it->first);
        EXPECT_EQ(group.sessions, it->second.sessions) << label.toStdString();
        EXPECT_DOUBLE_EQ(group.seconds, it->second.seconds) << label.toStdString();
        EXPECT_EQ(group.fee, it->second.fee) << label.toStdString();
        ++it;
    }
}

TEST(SessionGrouping, PerDayAndMonthInCalendarOrder) {
    const Fixture fixture;
    const auto days = SessionGrouping::group(fixture.rows, GroupPeriod::Day);
    ExpectGroups(days, GroupPeriod::Day, fixture.byDay);
    ExpectGroups(SessionGrouping::group(fixture.rows, GroupPeriod::Month), GroupPeriod::Month,
                 fixture.byMonth);
    // The days that border each other are groups of their own.
    for (const char* day : {"2023-12-31", "2024-01-01", "2024-02-28", "2024-02-29", "2024-03-01",
                            "2028-02-29", "2031-12-31", "2032-01-01"})
        EXPECT_TRUE(fixture.byDay.count(day)) << day;
    EXPECT_TRUE(SessionGrouping::group({}, GroupPeriod::Day).empty());
}

TEST(SessionGrouping, GroupTotalsMatchTheListing) {
    const Fixture fixture;
    SessionTableModel sessions;
    sessions.setSessions(fixture.rows, {"alice"});
    for (const GroupPeriod period : {GroupPeriod::Day, GroupPeriod::Month}) {
        GroupTableModel groups;
        groups.setGroups(SessionGrouping::group(sessions.sessions(), period), period);
        EXPECT_EQ(groups.totalSessions(), sessions.sessionCount());
        EXPECT_DOUBLE_EQ(groups.totalSeconds(), sessions.totalSeconds());
        EXPECT_EQ(groups.totalFee(), sessions.totalFee());
        const int totals = groups.rowCount() - 1;
        EXPECT_EQ(groups.cellText(totals, GroupTableModel::Number), "合  计");
        EXPECT_EQ(groups.cellText(totals, GroupTableModel::Duration),
                  sessions.cellText(sessions.rowCount() - 1, SessionTableModel::Duration));
        EXPECT_EQ(groups.cellText(totals, GroupTableModel::Fee),
                  sessions.cellText(sessions.rowCount() - 1, SessionTableModel::Fee));
    }
}

TEST(GroupTableModel, Texts) {
    std::vector<SessionRow> rows = {RowOn(QDate(2024, 2, 29), 3725, 12000),
                                    RowOn(QDate(2024, 2, 29), 60, 5000),
                                    RowOn(QDate(2024, 3, 1), 59, 31000)};
    GroupTableModel model;
    model.setGroups(SessionGrouping::group(rows, GroupPeriod::Day), GroupPeriod::Day);
    QStringList lines;
    for (int r = 0; r < model.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.cellText(r, c);
        lines << cells.join(u'|');
    }
    EXPECT_EQ(lines,
              QStringList({"1|2024年02月29日|2|1:03:05|1.7000 元",
                           "2|2024年03月01日|1|0:00:59|3.1000 元", "合  计||3|1:04:04|4.8000 元"}));
    EXPECT_EQ(model.headerText(GroupTableModel::Period), "日期");
    EXPECT_EQ(model.copyText(0, 0), "2024年02月29日\t2\t1:03:05\t1.7000 元\t\r\n");
    model.setGroups(SessionGrouping::group(rows, GroupPeriod::Month), GroupPeriod::Month);
    EXPECT_EQ(model.headerText(GroupTableModel::Period), "月份");
    EXPECT_EQ(model.cellText(0, GroupTableModel::Period), "2024年02月");
}

TEST(UsageSeries, OnePointPerGroupAtItsFirstDay) {
    const Fixture fixture;
    for (const GroupPeriod period : {GroupPeriod::Day, GroupPeriod::Month}) {
        std::vector<SessionGroup> groups = SessionGrouping::group(fixture.rows, period);
        // The chart orders by date whatever order the grid was sorted in.
        std::reverse(groups.begin(), groups.end());
        const UsageSeries usage(groups, period);
        const auto& expected = period == GroupPeriod::Day ? fixture.byDay : fixture.byMonth;
        ASSERT_EQ(usage.hours().size(), qsizetype(expected.size()));
        ASSERT_EQ(usage.fees().size(), qsizetype(expected.size()));
        auto it = expected.begin();
        for (qsizetype i = 0; i < usage.hours().size(); ++i, ++it) {
            const QDate day = period == GroupPeriod::Day
                                  ? QDate::fromString(it->first, "yyyy-MM-dd")
                                  : QDate::fromString(it->first + "-01", "yyyy-MM-dd");
            const double x = double(day.startOfDay().toMSecsSinceEpoch());
            EXPECT_EQ(usage.hours().at(i).x(), x) << it->first.toStdString();
            EXPECT_DOUBLE_EQ(usage.hours().at(i).y(), it->second.seconds / 3600.0);
            EXPECT_EQ(usage.fees().at(i).x(), x);
            EXPECT_DOUBLE_EQ(usage.fees().at(i).y(), double(it->second.fee) / 10000.0);
        }
        EXPECT_LT(usage.firstMs(), qint64(usage.hours().first().x()));
        EXPECT_GT(usage.lastMs(), qint64(usage.hours().last().x()));
    }
    // A start date that is no date has no place on the axis.
    const UsageSeries damaged({{20240231, 1, 60, 100}, {20240301, 1, 60, 100}}, GroupPeriod::Day);
    EXPECT_EQ(damaged.hours().size(), 1);
}

TEST(ChartScale, TimeTicksNameEachDayOrMonthOnce) {
    struct Case {
        QDate first, last;
        GroupPeriod period;
        QStringList texts;
    };
    const Case cases[] = {
        {{2026, 12, 10}, {2026, 12, 10}, GroupPeriod::Day, {"2026-12-10"}},
        {{2026, 12, 1},
         {2026, 12, 3},
         GroupPeriod::Day,
         {"2026-12-01", "2026-12-02", "2026-12-03"}},
        // 30 days: every fifth day, seven labels.
        {{2026, 3, 1},
         {2026, 3, 31},
         GroupPeriod::Day,
         {"2026-03-01", "2026-03-06", "2026-03-11", "2026-03-16", "2026-03-21", "2026-03-26",
          "2026-03-31"}},
        // Over a year's end.
        {{2025, 12, 30},
         {2026, 1, 2},
         GroupPeriod::Day,
         {"2025-12-30", "2025-12-31", "2026-01-01", "2026-01-02"}},
        {{2026, 1, 15}, {2026, 3, 2}, GroupPeriod::Month, {"2026-01", "2026-02", "2026-03"}},
        {{2024, 1, 1},
         {2026, 12, 1},
         GroupPeriod::Month,
         {"2024-01", "2024-07", "2025-01", "2025-07", "2026-01", "2026-07"}},
    };
    for (const Case& c : cases) {
        const QList<ChartScale::Tick> ticks = ChartScale::timeTicks(c.first, c.last, c.period);
        QStringList texts;
        for (const ChartScale::Tick& tick : ticks) {
            texts << tick.text;
            const QDate day = QDateTime::fromMSecsSinceEpoch(tick.ms).date();
            EXPECT_EQ(day.startOfDay().toMSecsSinceEpoch(), tick.ms) << tick.text.toStdString();
        }
        EXPECT_EQ(texts, c.texts) << c.first.toString(Qt::ISODate).toStdString();
    }
    EXPECT_TRUE(ChartScale::timeTicks(QDate(), QDate(2026, 1, 1), GroupPeriod::Day).isEmpty());
}

TEST(ChartScale, ValueLabelsShowTheStepExactly) {
    struct Case {
        double max;
        int ticks;
        const char* format;
    };
    // Eight seconds on line are 0.0022 hours: "%.1f" wrote 0.0 on every tick.
    const Case cases[] = {{0.0025, 6, "%.4f"}, {0.25, 6, "%.2f"}, {2.5, 6, "%.1f"},
                          {5, 6, "%.0f"},      {100, 5, "%.0f"},  {0.00001, 3, "%.4f"},
                          {0, 5, "%.0f"}};
    for (const Case& c : cases)
        EXPECT_EQ(ChartScale::valueFormat(c.max, c.ticks), c.format) << c.max;
}

} // namespace
