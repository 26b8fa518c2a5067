#include "statdesk/CsvWriter.h"
#include "statdesk/SessionTableModel.h"
#include "support/CsvReader.h"

#include <QBuffer>
#include <gtest/gtest.h>

// Failures show the texts, not their bytes.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << "{\n  " << texts.join("\n  ").toStdString() << "\n}";
}

namespace {

SessionRow Row(int pc, int user, const char* fromD, const char* fromT, qint64 fee, double seconds) {
    SessionRow row;
    row.pc = pc;
    row.user = user;
    row.times = QStringList({fromD, fromT, fromD, "23:00:00"}).join(SessionRow::Separator);
    row.seconds = seconds;
    row.shownSeconds = seconds;
    row.fee = fee;
    row.count = 1;
    return row;
}

// Two PCs' sessions in the order the server gives them: by PC, then by start.
SessionListing TwoPcs() {
    SessionListing listing;
    listing.users = {"alice", "bob"};
    listing.pcs = {"机房2号", "前台"};
    listing.rows = {Row(0, 0, "20260301", "9:00:00", 12345, 60),
                    Row(0, 1, "20260302", "10:00:00", 5000, 3600),
                    Row(1, 0, "20260301", "8:00:00", 1, 1)};
    return listing;
}

QStringList Column(const SessionTableModel& model, int column) {
    QStringList cells;
    for (int row = 0; row < model.rowCount(); ++row)
        cells << model.cellText(row, column);
    return cells;
}

QList<QStringList> Csv(const SessionTableModel& model) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvWriter out(buffer);
    model.writeCsv(out);
    EXPECT_TRUE(out.finish());
    // After the byte-order mark.
    return ReadCsv(QString::fromUtf8(buffer.data().mid(3))).value_or(QList<QStringList>());
}

TEST(PcColumn, FollowsTheNumberingAndShiftsTheOthers) {
    SessionTableModel model;
    model.setSessions(TwoPcs());
    EXPECT_EQ(model.columnCount(), 7);
    EXPECT_EQ(model.columnOf(SessionTableModel::Pc), -1);

    model.setPcColumn(true);
    ASSERT_EQ(model.columnCount(), 8);
    QStringList headers;
    for (int column = 0; column < model.columnCount(); ++column)
        headers << model.headerText(column);
    EXPECT_EQ(headers, QStringList({"序号", "电脑", "用户名", "上网时间", "下网时间", "漫游时长",
                                    "当次花费", "当时次数"}));
    for (int column = 0; column < model.columnCount(); ++column)
        EXPECT_EQ(model.columnOf(model.columnAt(column)), column);
    EXPECT_EQ(Column(model, 1), QStringList({"机房2号", "机房2号", "前台", ""}));
    EXPECT_EQ(Column(model, 2), QStringList({"alice", "bob", "alice", ""}));
    // The totals row keeps its figures under their own headers.
    EXPECT_EQ(model.cellText(3, 0), "合  计");
    EXPECT_EQ(model.cellText(3, model.columnOf(SessionTableModel::Duration)), "1:01:01");
    EXPECT_EQ(model.cellText(3, model.columnOf(SessionTableModel::Fee)), "1.7346 元");
    EXPECT_EQ(model.copyText(0, 0),
              "机房2号\talice\t2026年03月01日 9:00:00\t2026年03月01日 23:00:00\t0:01:00\t"
              "1.2345 元\t1\t\r\n");
}

TEST(PcColumn, SortsByNameAndKeepsTotalsAfterRemoval) {
    SessionTableModel model;
    model.setPcColumn(true);
    model.setSessions(TwoPcs());
    model.sort(1, Qt::AscendingOrder);
    // Pinyin order: 机 (ji) before 前 (qian); ties keep their order.
    EXPECT_EQ(Column(model, 1), QStringList({"机房2号", "机房2号", "前台", ""}));
    model.sort(1, Qt::DescendingOrder);
    EXPECT_EQ(Column(model, 1), QStringList({"前台", "机房2号", "机房2号", ""}));
    model.removeSessions({0});
    EXPECT_EQ(model.cellText(2, model.columnOf(SessionTableModel::Fee)), "1.7345 元");
    EXPECT_EQ(model.cellText(2, model.columnOf(SessionTableModel::Duration)), "1:01:00");
}

TEST(PcColumn, ExportedAfterTheNumbering) {
    SessionTableModel model;
    model.setPcColumn(true);
    model.setSessions(TwoPcs());
    const QList<QStringList> records = Csv(model);
    ASSERT_EQ(records.size(), 5);
    EXPECT_EQ(records.at(0), QStringList({"序号", "电脑", "用户名", "上网时间", "下网时间",
                                          "漫游时长", "漫游时长(秒)", "当次花费", "当时次数"}));
    EXPECT_EQ(records.at(3).mid(0, 3), QStringList({"3", "前台", "alice"}));
    EXPECT_EQ(records.at(4),
              QStringList({"合  计", "", "", "", "", "1:01:01", "3661", "1.7346", ""}));
}

} // namespace
