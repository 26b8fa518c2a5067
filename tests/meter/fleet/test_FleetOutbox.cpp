// The outbox in the store: the PC id, the triggers that follow every write to Notes by any
// program, and what the uploader reads and marks.
#include "common/OpenStore.h"
#include "common/Store.h"
#include "meter/fleet/FleetLocalSchema.h"
#include "meter/fleet/FleetOutbox.h"
#include "meter/store/SessionSaveWriter.h"
#include "support/TempFolder.h"

#include <QUuid>
#include <gtest/gtest.h>

namespace {

const QDate Today(2026, 3, 2);

struct Outbox : ::testing::Test {
    void SetUp() override {
        OpenStore(path(), Today);
        ASSERT_TRUE(meter.open(path()));
        ASSERT_TRUE(other.open(path()));
    }
    QString path() const { return folder.file(Store::FileName); }

    // A Notes row as another program (or an older version) writes it; returns its row id.
    qint64 insertNote(Store& store, const QString& user, int count, double thisMoney = 0) {
        EXPECT_TRUE(store.execute("insert into Notes (User,Count,FromD,FromT,ThisMoney) values "
                                  "(?,?,'2026-3-2','10:00:00',?)",
                                  {user, count, thisMoney}))
            << store.lastError().toStdString();
        return store.lastInsertRowId();
    }
    // Upload key, Notes row id, save and sent sequence of every outbox row.
    QList<QList<qint64>> outboxRows() {
        StoreQuery query = other.query("select UploadKey,NotesRowId,SaveSeq,SentSeq from "
                                       "FleetOutbox order by UploadKey");
        QList<QList<qint64>> rows;
        while (query.next()) {
            rows << QList<qint64>{query.value(0).toLongLong(), query.value(1).toLongLong(),
                                  query.value(2).toLongLong(), query.value(3).toLongLong()};
        }
        return rows;
    }

    TempFolder folder;
    Store meter;
    Store other;
};

TEST_F(Outbox, IsMadeOnceWithOneIdAndTakesInTheRowsAlreadyThere) {
    EXPECT_FALSE(FleetLocalSchema::exists(meter));
    const qint64 first = insertNote(other, "公用帐号", 1, 1.5);
    const qint64 second = insertNote(other, "Master", 1);

    FleetLocalSchema::ensure(meter);
    const QString id = FleetLocalSchema::pcId(meter);
    EXPECT_FALSE(QUuid::fromString(id).isNull()) << id.toStdString();
    EXPECT_FALSE(id.contains('{'));
    EXPECT_EQ(outboxRows(), (QList<QList<qint64>>{{1, first, 1, 0}, {2, second, 1, 0}}));

    // Again, from another connection: nothing changes, the history is not entered twice.
    FleetLocalSchema::ensure(other);
    EXPECT_TRUE(FleetLocalSchema::exists(other));
    EXPECT_EQ(FleetLocalSchema::pcId(other), id);
    StoreQuery ids = other.query("select count(*) from FleetPc");
    ASSERT_TRUE(ids.next());
    EXPECT_EQ(ids.value(0).toInt(), 1);
    EXPECT_EQ(outboxRows().size(), 2);
    EXPECT_EQ(FleetOutbox(meter).pendingCount(), 2);
}

TEST_F(Outbox, FollowsInsertsUpdatesAndDeletesOfAnyConnectionInTheirTransaction) {
    FleetLocalSchema::ensure(meter);
    const qint64 row = insertNote(other, "公用帐号", 1);
    EXPECT_EQ(outboxRows(), (QList<QList<qint64>>{{1, row, 1, 0}}));

    // Each statement that touches the row counts as a save.
    ASSERT_TRUE(other.execute("update Notes set ThisTm=5 where rowid=?", {row}));
    ASSERT_TRUE(other.execute("update Notes set ToT='10:05:00' where rowid=?", {row}));
    EXPECT_EQ(outboxRows(), (QList<QList<qint64>>{{1, row, 3, 0}}));

    // A write rolled back leaves no trace in the outbox either.
    ASSERT_TRUE(other.execute("begin"));
    ASSERT_TRUE(other.execute("update Notes set ThisTm=6 where rowid=?", {row}));
    insertNote(other, "Master", 2);
    ASSERT_TRUE(other.execute("rollback"));
    EXPECT_EQ(outboxRows(), (QList<QList<qint64>>{{1, row, 3, 0}}));

    // The deleted row leaves the outbox; SQLite gives its id to the next row, which gets a new
    // upload key: the server never mistakes it for the old session.
    ASSERT_TRUE(other.execute("delete * from Notes where rowid=?", {row}));
    EXPECT_TRUE(outboxRows().isEmpty());
    const qint64 reused = insertNote(other, "Master", 7);
    ASSERT_EQ(reused, row);
    EXPECT_EQ(outboxRows(), (QList<QList<qint64>>{{2, row, 1, 0}}));
}

TEST_F(Outbox, ARowWrittenBeforeTheOutboxExistedEntersItAtItsNextSave) {
    const qint64 row = insertNote(other, "公用帐号", 1);
    FleetLocalSchema::ensure(meter);
    // As if it had been entered late: the trigger must not depend on the initial fill.
    ASSERT_TRUE(other.execute("delete from FleetOutbox"));
    ASSERT_TRUE(other.execute("update Notes set ThisTm=9 where rowid=?", {row}));
    ASSERT_EQ(outboxRows().size(), 1);
    EXPECT_EQ(outboxRows().first().mid(1), (QList<qint64>{row, 1, 0}));
}

TEST_F(Outbox, ReadsPendingRecordsInKeyOrderWithMoneyInTenThousandths) {
    FleetLocalSchema::ensure(meter);
    const qint64 row = insertNote(other, "公用帐号", 3);
    ASSERT_TRUE(other.execute("update Notes set ToD='2026-3-2',ToT='11:00:00',ThisMoney=1.2345,"
                              "AllMoney=20.5,ThisTm=3600,AllTm=7200 where rowid=?",
                              {row}));
    const qint64 bare = insertNote(other, "Master", 3);
    ASSERT_TRUE(other.execute("update Notes set ThisMoney=null where rowid=?", {bare}));
    insertNote(other, "Master", 4);

    FleetOutbox outbox(meter);
    EXPECT_EQ(outbox.pendingCount(), 3);
    const QList<FleetOutboxEntry> batch = outbox.pendingBatch(2);
    ASSERT_EQ(batch.size(), 2);
    FleetSessionRecord expected;
    expected.rowId = 1;
    expected.saveSeq = 2;
    expected.user = "公用帐号";
    expected.count = 3;
    expected.fromD = "2026-3-2";
    expected.fromT = "10:00:00";
    expected.toD = "2026-3-2";
    expected.toT = "11:00:00";
    expected.thisMoney = 12345;
    expected.allMoney = 205000;
    expected.thisTm = 3600;
    expected.allTm = 7200;
    EXPECT_EQ(batch.at(0).record, expected);
    EXPECT_EQ(batch.at(0).notesRowId, row);
    // Nulls go as nothing: no money, no time, empty texts.
    EXPECT_EQ(batch.at(1).record.rowId, 2);
    EXPECT_EQ(batch.at(1).record.thisMoney, 0);
    EXPECT_EQ(batch.at(1).record.toD, QString());
    EXPECT_EQ(batch.at(1).record.thisTm, 0);
}

TEST_F(Outbox, MarksOnlyTheSavesTheServerAnsweredFor) {
    FleetLocalSchema::ensure(meter);
    const qint64 first = insertNote(other, "公用帐号", 1);
    insertNote(other, "Master", 1);
    FleetOutbox outbox(meter);
    const QList<FleetOutboxEntry> read = outbox.pendingBatch(10);
    ASSERT_EQ(read.size(), 2);

    // Saved again while the batch was on its way: that row stays pending.
    ASSERT_TRUE(other.execute("update Notes set ThisTm=60 where rowid=?", {first}));
    outbox.markSent({read.at(0).record, read.at(1).record});
    EXPECT_EQ(outbox.pendingCount(), 1);
    QList<FleetOutboxEntry> again = outbox.pendingBatch(10);
    ASSERT_EQ(again.size(), 1);
    EXPECT_EQ(again.first().record.saveSeq, 2);
    EXPECT_EQ(again.first().record.thisTm, 60);

    // A late answer for the older save does not set the newer one's mark back.
    outbox.markSent({again.first().record});
    outbox.markSent({read.at(0).record});
    EXPECT_EQ(outbox.pendingCount(), 0);
    EXPECT_EQ(outboxRows().first().at(3), 2);
}

// The meter's own writer, with the triggers in place: a pair opened and saved, every save
// counted, and its checks of its rows still pass.
TEST_F(Outbox, TheMetersSavesGoThroughTheTriggersUnchanged) {
    FleetLocalSchema::ensure(meter);
    SessionSaveWriter writer(meter, std::chrono::milliseconds(300));
    SessionSave save;
    save.User = "公用帐号";
    save.UserCount = 1;
    save.MasterCount = 1;
    save.FromD = "2026-3-2";
    save.FromT = "10:00:00";
    save.ToD = "2026-3-2";
    save.ToT = "10:00:00";
    save = writer.write({save}).first();
    ASSERT_TRUE(save.isOpened());
    const QList<QList<qint64>> opened = outboxRows();
    ASSERT_EQ(opened.size(), 2);

    for (int minute = 1; minute <= 3; ++minute) {
        save.ToT = QStringLiteral("10:0%1:00").arg(minute);
        save.ThisTm = minute * 60;
        save.ThisMoney = minute * 0.1;
        save = writer.write({save}).first();
        EXPECT_EQ(writer.skippedRows(), 0) << minute;
    }
    const QList<QList<qint64>> saved = outboxRows();
    ASSERT_EQ(saved.size(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(saved.at(i).at(0), opened.at(i).at(0)) << "same upload key";
        EXPECT_GT(saved.at(i).at(2), opened.at(i).at(2)) << "more saves counted";
    }
    const QList<FleetOutboxEntry> batch = FleetOutbox(meter).pendingBatch(10);
    ASSERT_EQ(batch.size(), 2);
    EXPECT_EQ(batch.at(0).record.thisTm, 180);
    EXPECT_EQ(batch.at(0).record.thisMoney, 3000);
    EXPECT_EQ(batch.at(0).record.toT, "10:03:00");
    EXPECT_EQ(batch.at(1).record.user, "Master");
}

} // namespace
