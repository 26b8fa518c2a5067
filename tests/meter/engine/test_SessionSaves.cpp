// How the meter's saves survive what happens outside it: a kill at any moment, a statement
// that fails half-way, another program holding the store's write lock, a shutdown under such
// a lock, and the journal that carries a kept save to the next start.
#include "common/OpenStore.h"
#include "common/Store.h"
#include "meter/engine/MeterEngine.h"
#include "meter/store/RecordAccess.h"
#include "meter/store/SaveJournal.h"
#include "statdesk/SessionReader.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QElapsedTimer>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QDateTime Morning(QDate(2026, 3, 2), QTime(10, 0));
const QString Public = QStringLiteral("公用帐号");

struct Saves : ::testing::Test, FakePlatform {
    void SetUp() override {
        OpenStore(databasePath(), Morning.date());
        start();
        ASSERT_TRUE(other.open(databasePath()));
    }

    QString databasePath() const { return folder.file(Store::FileName); }
    QString journalPath() const { return folder.file(SaveJournal::FileName); }

    // A fresh run of the meter on the same folder, as after a kill or a shutdown: the old
    // engine is dropped without any further save.
    void start(bool applyJournal = true) {
        engine.reset();
        store = std::make_unique<Store>();
        ASSERT_TRUE(store->open(databasePath()));
        engine = std::make_unique<MeterEngine>(
            engineServices(*store, folder.path(), "/usr/bin/Dialtoll"));
        engine->Op_Click(5);
        if (applyJournal)
            engine->applySaveJournal();
        engine->hsLoad();
        engine->Menvy();
    }
    void connectLink() {
        network.setConnected(true);
        engine->EvtTimer();
    }
    void dropLink() {
        network.setConnected(false);
        engine->EvtTimer();
    }
    void runFor(qint64 ms) {
        for (qint64 done = 0; done < ms; done += 500) {
            clock.advance(std::min<qint64>(500, ms - done));
            engine->Timer1();
        }
    }
    // Read through the other connection: only what was committed.
    QVariant note(const QString& user, int count, const QString& column) {
        return SelectUserWhere(other, "Notes", user, column, "<none>", "Count", count);
    }
    int notesRows() {
        StoreQuery query = other.query("select count(*) from Notes");
        EXPECT_TRUE(query.next());
        return query.value(0).toInt();
    }
    QStringList allNotes() {
        StoreQuery query = other.query("select * from Notes order by rowid");
        QStringList rows;
        while (query.next()) {
            QStringList cells;
            for (int i = 0; i < query.columnNames().size(); ++i)
                cells << query.value(i).toString();
            rows << cells.join('|');
        }
        return rows;
    }
    // Another program takes the store's write lock and keeps it until released.
    void holdLock() {
        ASSERT_TRUE(other.execute("begin immediate")) << other.lastError().toStdString();
    }
    void releaseLock() {
        ASSERT_TRUE(other.execute("rollback")) << other.lastError().toStdString();
    }

    TempFolder folder;
    std::unique_ptr<Store> store;
    std::unique_ptr<MeterEngine> engine;
    Store other;
};

// A kill right after a link came up used to leave the new record without its carried totals,
// so the next session started the account's totals from nothing.
TEST_F(Saves, ARecordKilledRightAfterItsOpeningCarriesTheTotalsOn) {
    connectLink();
    runFor(600'000);
    dropLink();
    ASSERT_EQ(note(Public, 1, "AllTm"), 600LL);

    clock.advance(60'000);
    connectLink(); // record 2 opens; the program is killed before any save
    EXPECT_EQ(note(Public, 2, "AllTm"), 600LL);
    EXPECT_EQ(note(Public, 2, "AllMoney"), note(Public, 1, "AllMoney"));
    EXPECT_EQ(note(Public, 2, "ThisTm"), 0LL);
    EXPECT_EQ(note(Public, 2, "ThisMoney"), 0LL);
    EXPECT_EQ(note(Public, 2, "FromT"), "10:11:00");
    EXPECT_EQ(note(Public, 2, "ToT"), "10:11:00");
    EXPECT_EQ(note("Master", 2, "AllTm"), 600LL);
    EXPECT_EQ(note("Master", 2, "ThisTm"), 0LL);

    // The statistics list it with its start and no time.
    SessionReader reader;
    reader.read(other, std::nullopt, 20260302, 20260302);
    const std::vector<SessionRow> listed = reader.takeRows();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed.back().count, 2);
    EXPECT_EQ(listed.back().shownSeconds, 0);

    start();
    network.setConnected(false);
    engine->EvtTimer();
    clock.advance(60'000);
    connectLink();
    runFor(60'000);
    dropLink();
    EXPECT_EQ(note(Public, 3, "ThisTm"), 60LL);
    EXPECT_EQ(note(Public, 3, "AllTm"), 660LL);
    EXPECT_EQ(note("Master", 3, "AllTm"), 660LL);
}

// A save or an opening that fails part-way leaves the store as it was, and is written whole at
// the next save: the user's and the all-users row never disagree.
TEST_F(Saves, AStepThatFailsPartWayWritesNothingAndTheNextSaveWritesAll) {
    struct Case {
        const char* what;
        const char* trigger; // fails the last statement of the step
        bool duringOpening;
    };
    const Case cases[] = {
        {"save",
         "create trigger failing before update of ThisTm on Notes when new.User='Master' "
         "begin select raise(abort, 'disk went away'); end",
         false},
        {"opening",
         "create trigger failing before update of ToD on Notes when new.User='Master' "
         "begin select raise(abort, 'disk went away'); end",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        engine.reset();
        store.reset();
        other.close();
        network.setConnected(false);
        QFile::remove(databasePath());
        QFile::remove(journalPath());
        OpenStore(databasePath(), Morning.date());
        start();
        ASSERT_TRUE(other.open(databasePath()));

        if (!c.duringOpening) {
            connectLink();
            runFor(30'000);
            engine->AutoSave();
        }
        const QStringList before = allNotes();
        ASSERT_TRUE(other.execute(c.trigger)) << other.lastError().toStdString();
        if (c.duringOpening)
            connectLink();
        runFor(30'000);
        engine->AutoSave();
        EXPECT_EQ(allNotes(), before);
        EXPECT_EQ(engine->pendingSaves().size(), 1);

        ASSERT_TRUE(other.execute("drop trigger failing"));
        runFor(30'000);
        engine->AutoSave();
        EXPECT_TRUE(engine->pendingSaves().isEmpty());
        const qlonglong total = c.duringOpening ? 60 : 90;
        EXPECT_EQ(note(Public, 1, "ThisTm"), total);
        EXPECT_EQ(note("Master", 1, "ThisTm"), total);
        EXPECT_EQ(note("Master", 1, "AllTm"), total);
        EXPECT_EQ(notesRows(), 2);
        EXPECT_FALSE(QFile::exists(journalPath()));
    }
}

// Another program holding the write lock used to stall each of the thirteen statements for
// the store's full busy timeout. Now one save waits once, briefly, keeps its figures, and the
// next save writes the latest ones.
TEST_F(Saves, ASaveUnderAnotherProgramsLockIsKeptAndWrittenLater) {
    connectLink();
    runFor(30'000);
    engine->AutoSave();
    holdLock();
    runFor(30'000);
    QElapsedTimer elapsed;
    elapsed.start();
    engine->AutoSave();
    // Not a speed figure: without the bound this took thirteen busy timeouts (over a minute).
    EXPECT_LT(elapsed.elapsed(), 4000);
    EXPECT_EQ(note(Public, 1, "ThisTm"), 30LL);
    ASSERT_EQ(engine->pendingSaves().size(), 1);
    EXPECT_EQ(engine->pendingSaves().first().ThisTm, 60);
    EXPECT_TRUE(QFile::exists(journalPath()));

    runFor(30'000);
    engine->AutoSave(); // still locked: the newer figures replace the kept ones
    ASSERT_EQ(engine->pendingSaves().size(), 1);
    EXPECT_EQ(engine->pendingSaves().first().ThisTm, 90);

    releaseLock();
    runFor(10'000);
    engine->AutoSave();
    EXPECT_TRUE(engine->pendingSaves().isEmpty());
    EXPECT_FALSE(QFile::exists(journalPath()));
    EXPECT_EQ(note(Public, 1, "ThisTm"), 100LL);
    EXPECT_EQ(note("Master", 1, "ThisTm"), 100LL);
}

// A shutdown under the lock leaves the journal; the next start applies it, and never again.
TEST_F(Saves, TheJournalOfAShutdownUnderALockIsAppliedOnceAtTheNextStart) {
    connectLink();
    runFor(30'000);
    engine->AutoSave();
    holdLock();
    runFor(30'000);
    engine->AutoSave(); // the shutdown's save
    const QString journal = journalPath();
    ASSERT_TRUE(QFile::exists(journal));

    // Started again while the lock is still held: the totals shown include the kept save.
    start();
    EXPECT_TRUE(QFile::exists(journal));
    EXPECT_EQ(engine->figures().Label19, "0:01:00");
    EXPECT_EQ(engine->figures().Label17, "1 次");
    releaseLock();
    engine->AutoSave(); // off line, the timer's next tick writes what was kept
    EXPECT_FALSE(QFile::exists(journal));
    EXPECT_EQ(note(Public, 1, "ThisTm"), 60LL);
    EXPECT_EQ(note("Master", 1, "AllTm"), 60LL);
    EXPECT_EQ(SelectUser(other, "UserSet", Public, "ShowTm", 0), 60LL);

    // A journal whose save was then overtaken by a later one that reached the store, and that
    // a kill kept from being removed, must not put its older figures back.
    clock.advance(5000);
    connectLink();
    runFor(30'000);
    engine->AutoSave();
    holdLock();
    runFor(30'000);
    engine->AutoSave();
    ASSERT_TRUE(QFile::copy(journal, journal + ".copy"));
    releaseLock();
    runFor(30'000);
    engine->AutoSave();
    ASSERT_EQ(note(Public, 2, "ThisTm"), 90LL);
    const QStringList later = allNotes();
    ASSERT_TRUE(QFile::copy(journal + ".copy", journal));
    start();
    EXPECT_EQ(allNotes(), later);
    EXPECT_FALSE(QFile::exists(journal));
}

// The journal is written to its own rows only: a row id, account or number that does not
// match, or a row that is gone, leaves the store untouched.
TEST_F(Saves, AJournalNeverWritesToADifferentRow) {
    connectLink();
    runFor(30'000);
    dropLink();
    connectLink();
    runFor(30'000);
    dropLink();
    SaveJournal journal(journalPath());
    SessionSave save;
    {
        holdLock();
        runFor(1000);
        connectLink();
        runFor(30'000);
        engine->AutoSave();
        ASSERT_EQ(engine->pendingSaves().size(), 1);
        releaseLock();
        engine->AutoSave(); // the third pair is now in the store with its row ids
        ASSERT_TRUE(engine->pendingSaves().isEmpty());
        runFor(30'000);
        holdLock();
        engine->AutoSave();
        ASSERT_EQ(engine->pendingSaves().size(), 1);
        save = engine->pendingSaves().first();
        ASSERT_TRUE(save.isOpened());
        releaseLock();
        engine.reset(); // killed
    }
    const QStringList untouched = allNotes();
    struct Case {
        const char* what;
        std::function<void(SessionSave&)> change;
    };
    const Case cases[] = {
        {"row id of the earlier session", [](SessionSave& s) { s.UserRowId -= 2; }},
        {"another account", [](SessionSave& s) { s.User = "someone"; }},
        {"another number", [](SessionSave& s) { s.UserCount = 7; }},
        {"another start", [](SessionSave& s) { s.FromT = "9:00:00"; }},
        {"rows already further on", [](SessionSave& s) { s.UserMark.ThisTm = 5; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SessionSave changed = save;
        c.change(changed);
        changed.MasterRowId = 999; // no such row
        ASSERT_TRUE(journal.write({changed}));
        start();
        EXPECT_EQ(allNotes(), untouched);
        EXPECT_FALSE(journal.exists());
    }

    // The real one applies.
    ASSERT_TRUE(journal.write({save}));
    start();
    EXPECT_EQ(note(Public, 3, "ThisTm"), 60LL);
    EXPECT_EQ(note("Master", 3, "ThisTm"), 60LL);
}

// Sessions whose opening could not be written yet still number on and carry their totals;
// their rows reach the store in order with the next save that gets through.
TEST_F(Saves, KeptOpeningsNumberOnAndCarryTheirTotals) {
    holdLock();
    connectLink();
    EXPECT_EQ(engine->figures().Label7, "1 次");
    runFor(40'000);
    dropLink(); // its final save is kept as well
    clock.advance(5000);
    connectLink();
    EXPECT_EQ(engine->figures().Label7, "2 次");
    EXPECT_EQ(engine->state().UserTmBase, 40'000);
    runFor(20'000);
    EXPECT_EQ(notesRows(), 0);
    EXPECT_EQ(engine->pendingSaves().size(), 2);

    releaseLock();
    engine->AutoSave();
    EXPECT_TRUE(engine->pendingSaves().isEmpty());
    StoreQuery query = other.query("select User, Count, ThisTm, AllTm from Notes order by rowid");
    QStringList rows;
    while (query.next()) {
        rows << QStringLiteral("%1 %2 %3 %4")
                    .arg(query.value(0).toString())
                    .arg(query.value(1).toInt())
                    .arg(query.value(2).toInt())
                    .arg(query.value(3).toInt());
    }
    EXPECT_EQ(rows, QStringList({"公用帐号 1 40 40", "Master 1 40 40", "公用帐号 2 20 60",
                                 "Master 2 20 60"}));
}

// A journal that is not one this program wrote whole is neither applied nor lost.
TEST_F(Saves, AnUnreadableJournalIsSetAsideAndTheStoreLeftAlone) {
    connectLink();
    runFor(30'000);
    dropLink();
    const QStringList before = allNotes();
    const QByteArray cases[] = {
        "\x00\xff garbage",
        R"({"Version":1,"Saves":[{"User":"公用帐号","UserCount":1)", // cut off
        R"({"Version":1,"Saves":[{"User":"公用帐号","UserCount":1,"MasterCount":1}]})",
        R"({"Version":2,"Saves":[]})",
        // Complete, but with a name no account can have: it could never be written.
        R"({"Version":1,"Saves":[{"User":"thirteen-char","UserCount":1,"MasterCount":1,)"
        R"("FromD":"20260302","FromT":"10:00:00","UserRowId":0,"MasterRowId":0,)"
        R"("UserMark":{"ThisTm":0,"ToD":"","ToT":""},"MasterMark":{"ThisTm":0,"ToD":"","ToT":""},)"
        R"("ToD":"20260302","ToT":"10:01:00","UserAllMoney":0,"ThisMoney":0,"UserAllTm":60,)"
        R"("ThisTm":60,"MasterAllMoney":0,"MasterAllTm":60,"ShowMoney":0,"ShowTm":60}]})",
    };
    for (const QByteArray& content : cases) {
        SCOPED_TRACE(content.toStdString());
        QFile file(journalPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        start();
        EXPECT_EQ(allNotes(), before);
        EXPECT_FALSE(QFile::exists(journalPath()));
        QFile aside(journalPath() + ".bad");
        ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
        EXPECT_EQ(aside.readAll(), content);
    }
}

} // namespace
