#include "statdesk/CsvFile.h"
#include "statdesk/CsvWriter.h"
#include "statdesk/GroupTableModel.h"
#include "statdesk/SessionGrouping.h"
#include "statdesk/SessionTableModel.h"
#include "support/CsvReader.h"
#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

const QByteArray Bom = "\xEF\xBB\xBF";

SessionRow Row(int user, const char* fromD, const char* fromT, const char* toD, const char* toT,
               double seconds, double shownSeconds, qint64 fee, qint64 count) {
    SessionRow row;
    row.user = user;
    row.times = QStringList({fromD, fromT, toD, toT}).join(SessionRow::Separator);
    row.seconds = seconds;
    row.shownSeconds = shownSeconds;
    row.fee = fee;
    row.count = count;
    return row;
}

// The file's records, after checking the byte-order mark; fails the test when unreadable.
QList<QStringList> ReadBack(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith(Bom));
    const std::optional<QList<QStringList>> records =
        ReadCsv(QString::fromUtf8(bytes.mid(Bom.size())));
    EXPECT_TRUE(records.has_value()) << bytes.toStdString();
    return records.value_or(QList<QStringList>());
}

void ExpectRecords(const QList<QStringList>& actual, const QList<QStringList>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype r = 0; r < expected.size(); ++r) {
        ASSERT_EQ(actual.at(r).size(), expected.at(r).size()) << "record " << r;
        for (qsizetype f = 0; f < expected.at(r).size(); ++f)
            EXPECT_EQ(actual.at(r).at(f), expected.at(r).at(f)) << "record " << r << " field " << f;
    }
}

TEST(CsvWriter, FieldsReadBackAsWrittenAndFormulasAsText) {
    const struct {
        const char* field;
        bool number;
        const char* readBack;
    } cases[] = {
        {"alice", false, "alice"},
        {"公用帐号", false, "公用帐号"},
        {"a,b", false, "a,b"},
        {"say \"hi\"", false, "say \"hi\""},
        {"two\nlines", false, "two\nlines"},
        {"cr\r\nlf", false, "cr\r\nlf"},
        {" padded ", false, " padded "},
        {"", false, ""},
        {"a=b", false, "a=b"},
        {"=SUM(A1:A3)", false, "'=SUM(A1:A3)"},
        {"=HYPERLINK(\"http://x\",\"点\")", false, "'=HYPERLINK(\"http://x\",\"点\")"},
        {"+1", false, "'+1"},
        {"-2+3", false, "'-2+3"},
        {"@cmd", false, "'@cmd"},
        {"\tx", false, "'\tx"},
        {"\rx", false, "'\rx"},
        {"😀表情", false, "😀表情"},
        // Numbers the program wrote itself stay numbers.
        {"-0.5000", true, "-0.5000"},
        {"-0:01:05", true, "-0:01:05"},
    };
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvWriter writer(buffer);
    QStringList expected;
    for (const auto& c : cases) {
        if (c.number)
            writer.number(QString::fromUtf8(c.field));
        else
            writer.text(QString::fromUtf8(c.field));
        expected << QString::fromUtf8(c.readBack);
    }
    writer.endRecord();
    writer.text(QStringLiteral("last"));
    writer.endRecord();
    ASSERT_TRUE(writer.finish());

    const QByteArray bytes = buffer.data();
    ASSERT_TRUE(bytes.startsWith(Bom));
    EXPECT_TRUE(bytes.endsWith("last\r\n"));
    // The guarded text is not merely quoted: its first character is no longer "=".
    EXPECT_TRUE(bytes.contains(",'=SUM(A1:A3),"));
    EXPECT_TRUE(bytes.contains(",-0.5000,-0:01:05\r\n"));
    const auto records = ReadCsv(QString::fromUtf8(bytes.mid(Bom.size())));
    ASSERT_TRUE(records.has_value()) << bytes.toStdString();
    ExpectRecords(*records, {expected, {"last"}});
}

// Four sessions with names a spreadsheet could misread, one without a session number and one
// whose stored seconds are 0 (its shown time is the span); then, when asked, one with damaged
// date and time texts.
SessionTableModel& Listing(SessionTableModel& model, bool damaged = true) {
    std::vector<SessionRow> rows;
    rows.push_back(Row(0, "20260301", "9:05:03", "20260301", "10:07:08", 3725, 3725, 12000, 1));
    rows.push_back(Row(1, "20260305", "23:59:30", "20260306", "0:00:35", 0, 65, 5000, 7));
    rows.push_back(Row(2, "20260307", "10:00:00", "20260307", "10:01:00", 60, 60, 23000, 2));
    rows.push_back(
        Row(3, "20260309", "8:00:00", "20260309", "8:00:59", 59, 59, 31000, SessionRow::NoCount));
    if (damaged)
        rows.push_back(Row(4, "2026030x", "8:00:00", "20260309", "bad", 10, 10, -2500, 3));
    model.setSessions(std::move(rows), {"=1+1", "O'Brien, \"Jr\"", "张三\n李四", "-5", "@x"});
    return model;
}

TEST(CsvExport, SessionListingAsListedWithTotals) {
    TempFolder folder;
    SessionTableModel model;
    Listing(model);
    const QString path = folder.file("sessions.csv");
    ASSERT_EQ(CsvFile::save(path, [&model](CsvWriter& out) { model.writeCsv(out); }), QString());
    ExpectRecords(
        ReadBack(path),
        {
            {"序号", "用户名", "上网时间", "下网时间", "漫游时长", "漫游时长(秒)", "当次花费",
             "当时次数"},
            {"1", "'=1+1", "2026-03-01 09:05:03", "2026-03-01 10:07:08", "1:02:05", "3725",
             "1.2000", "1"},
            {"2", "O'Brien, \"Jr\"", "2026-03-05 23:59:30", "2026-03-06 00:00:35", "0:01:05", "65",
             "0.5000", "7"},
            {"3", "张三\n李四", "2026-03-07 10:00:00", "2026-03-07 10:01:00", "0:01:00", "60",
             "2.3000", "2"},
            {"4", "'-5", "2026-03-09 08:00:00", "2026-03-09 08:00:59", "0:00:59", "59", "3.1000",
             ""},
            // Texts that are no date or time stay as recorded.
            {"5", "'@x", "2026030x 8:00:00", "20260309 bad", "0:00:10", "10", "-0.2500", "3"},
            // The stored seconds add up (the second row's 0), as in the grid's totals row.
            {"合  计", "", "", "", "1:04:14", "3854", "6.8500", ""},
        });
}

TEST(CsvExport, GroupedListingFollowsTheGroups) {
    TempFolder folder;
    SessionTableModel sessions;
    Listing(sessions, false);
    GroupTableModel model;
    model.setGroups(SessionGrouping::group(sessions.sessions(), GroupPeriod::Month),
                    GroupPeriod::Month);
    const QString path = folder.file("months.csv");
    ASSERT_EQ(CsvFile::save(path, [&model](CsvWriter& out) { model.writeCsv(out); }), QString());
    ExpectRecords(ReadBack(path),
                  {
                      {"序号", "月份", "上网次数", "漫游时长", "漫游时长(秒)", "花费(元)"},
                      {"1", "2026-03", "4", "1:04:04", "3844", "7.1000"},
                      {"合  计", "", "4", "1:04:04", "3844", "7.1000"},
                  });
}

TEST(CsvExport, AFailedWriteLeavesNoPartialFile) {
    TempFolder folder;
    SessionTableModel model;
    std::vector<SessionRow> rows;
    for (int i = 0; i < 5000; ++i)
        rows.push_back(
            Row(0, "20260301", "9:05:03", "20260301", "10:07:08", 3725, 3725, 12000, i + 1));
    model.setSessions(std::move(rows), {"alice"});
    const auto write = [&model](CsvWriter& out) { model.writeCsv(out); };

    // No such folder.
    const QString missing = folder.file("no/such/folder/x.csv");
    EXPECT_NE(CsvFile::save(missing, write), QString());
    EXPECT_FALSE(QFile::exists(missing));

    // The disk fills part-way: the earlier file of that name stays as it was, and no
    // temporary file is left beside it.
    const QString path = folder.file("export.csv");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier export\r\n");
    }
    {
        const FileSizeLimit limit(64 * 1024);
        ASSERT_TRUE(limit.active()) << "cannot limit the file size";
        EXPECT_NE(CsvFile::save(path, write), QString());
    }
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("earlier export\r\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"export.csv"}));

    // The same without a limit replaces it whole.
    EXPECT_EQ(CsvFile::save(path, write), QString());
    EXPECT_EQ(ReadBack(path).size(), 5002);
}

} // namespace
