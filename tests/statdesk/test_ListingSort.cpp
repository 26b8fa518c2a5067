#include "statdesk/GroupTableModel.h"
#include "statdesk/SessionGrouping.h"
#include "statdesk/SessionTableModel.h"

#include <gtest/gtest.h>

namespace {

SessionRow Row(int user, const char* fromD, const char* fromT, const char* toD, const char* toT,
               double seconds, qint64 fee, qint64 count) {
    SessionRow row;
    row.user = user;
    row.times = QStringList({fromD, fromT, toD, toT}).join(SessionRow::Separator);
    row.seconds = seconds;
    row.shownSeconds = seconds;
    row.fee = fee;
    row.count = count;
    return row;
}

// The listing as users 0..3 are named below, in the query's order.
void Fill(SessionTableModel& model) {
    model.setSessions(
        {
            Row(0, "20260305", "9:00:00", "20260305", "9:30:00", 1800, 5000, 3),
            Row(1, "20260301", "23:00:00", "20260302", "1:00:00", 7200, 20000, 1),
            Row(2, "20260305", "10:00:00", "20260305", "10:00:59", 59, 5000, 2),
            Row(3, "20260301", "8:00:00", "20260301", "8:10:00", 600, 100, SessionRow::NoCount),
        },
        {"王五", "alice", "李四", "Bob"});
}

// Column `column` of every row, the totals row last.
QStringList Column(const ListingModel& model, int column) {
    QStringList cells;
    for (int r = 0; r < model.rowCount(); ++r)
        cells << model.cellText(r, column);
    return cells;
}

TEST(ListingSort, SessionsByEachColumnWithTheTotalsLast) {
    const struct {
        int column;
        Qt::SortOrder order;
        QStringList users;
    } cases[] = {
        // As Chinese collation has it: Chinese names first by pinyin (li before wang), then
        // Latin names by letter whatever their case.
        {SessionTableModel::User, Qt::AscendingOrder, {"李四", "王五", "alice", "Bob"}},
        {SessionTableModel::User, Qt::DescendingOrder, {"Bob", "alice", "王五", "李四"}},
        // By moment, date before time of day: "8:00:00" before "23:00:00".
        {SessionTableModel::Start, Qt::AscendingOrder, {"Bob", "alice", "王五", "李四"}},
        {SessionTableModel::End, Qt::DescendingOrder, {"李四", "王五", "alice", "Bob"}},
        {SessionTableModel::Duration, Qt::AscendingOrder, {"李四", "Bob", "王五", "alice"}},
        // Equal fees keep their order either way.
        {SessionTableModel::Fee, Qt::AscendingOrder, {"Bob", "王五", "李四", "alice"}},
        {SessionTableModel::Fee, Qt::DescendingOrder, {"alice", "王五", "李四", "Bob"}},
        // No session number sorts first.
        {SessionTableModel::Count, Qt::AscendingOrder, {"Bob", "alice", "李四", "王五"}},
        // The numbering column brings back the query's order.
        {SessionTableModel::Number, Qt::AscendingOrder, {"王五", "alice", "李四", "Bob"}},
        {SessionTableModel::Number, Qt::DescendingOrder, {"Bob", "李四", "alice", "王五"}},
    };
    for (const auto& c : cases) {
        SessionTableModel model;
        Fill(model);
        const QString totals = model.cellText(4, SessionTableModel::Fee);
        model.sort(SessionTableModel::Fee, Qt::DescendingOrder); // an earlier sort
        model.sort(c.column, c.order);
        EXPECT_EQ(Column(model, SessionTableModel::User), c.users + QStringList({""}))
            << "column " << c.column << " order " << c.order;
        // Numbered by place; the totals row unchanged and last.
        EXPECT_EQ(Column(model, SessionTableModel::Number),
                  QStringList({"1", "2", "3", "4", "合  计"}));
        EXPECT_EQ(model.cellText(4, SessionTableModel::Fee), totals);
    }
}

TEST(ListingSort, GroupsByFiguresAndBackToTheCalendar) {
    SessionTableModel sessions;
    Fill(sessions);
    GroupTableModel model;
    model.setGroups(SessionGrouping::group(sessions.sessions(), GroupPeriod::Day),
                    GroupPeriod::Day);
    EXPECT_EQ(Column(model, GroupTableModel::Period),
              QStringList({"2026年03月01日", "2026年03月05日", ""}));
    model.sort(GroupTableModel::Sessions, Qt::AscendingOrder);
    EXPECT_EQ(Column(model, GroupTableModel::Sessions), QStringList({"2", "2", "4"}));
    model.sort(GroupTableModel::Duration, Qt::AscendingOrder);
    EXPECT_EQ(Column(model, GroupTableModel::Period),
              QStringList({"2026年03月05日", "2026年03月01日", ""}));
    model.sort(GroupTableModel::Fee, Qt::DescendingOrder);
    EXPECT_EQ(Column(model, GroupTableModel::Fee),
              QStringList({"2.0100 元", "1.0000 元", "3.0100 元"}));
    model.sort(GroupTableModel::Number, Qt::AscendingOrder);
    EXPECT_EQ(Column(model, GroupTableModel::Period),
              QStringList({"2026年03月01日", "2026年03月05日", ""}));
    EXPECT_EQ(model.cellText(2, GroupTableModel::Number), "合  计");
}

} // namespace
