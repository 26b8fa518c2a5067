// The uploader against a fake server: the meter's real sessions, saved by the engine into a real
// store, reach the server exactly once with their final figures whatever the network does.
#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/StoreError.h"
#include "common/fleet/FleetError.h"
#include "meter/engine/MeterEngine.h"
#include "meter/fleet/FleetLocalSchema.h"
#include "meter/fleet/FleetOutbox.h"
#include "meter/fleet/FleetUploadCycle.h"
#include "meter/fleet/FleetUploaderThread.h"
#include "platform/fake/FakeFleetTransport.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QDateTime Morning(QDate(2026, 3, 2), QTime(10, 0));

// What the program says on standard error while a test runs.
QStringList g_said;
void Capture(QtMsgType, const QMessageLogContext&, const QString& message) {
    g_said << message;
}

QStringList SaidWith(const QString& part) {
    return g_said.filter(part);
}

// Runs the event loop until `done` holds or 10 s have passed; true when it held.
bool WaitFor(const std::function<bool()>& done) {
    for (int i = 0; i < 200 && !done(); ++i) {
        QEventLoop loop;
        QTimer::singleShot(50, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

struct Uploader : ::testing::Test, FakePlatform {
    Uploader() : FakePlatform(Morning) {}

    void SetUp() override {
        g_said.clear();
        m_previousHandler = qInstallMessageHandler(Capture);
        OpenStore(path(), Morning.date());
        startMeter();
        FleetLocalSchema::ensure(*store);
        pcId = FleetLocalSchema::pcId(*store);
        restartUploader();
    }
    void TearDown() override { qInstallMessageHandler(m_previousHandler); }

    QString path() const { return folder.file(Store::FileName); }

    void startMeter() {
        engine.reset();
        store = std::make_unique<Store>();
        ASSERT_TRUE(store->open(path()));
        engine = std::make_unique<MeterEngine>(
            engineServices(*store, folder.path(), "/usr/bin/Dialtoll"));
        engine->Op_Click(5);
        engine->hsLoad();
        engine->Menvy();
    }
    // A new uploader on the file, as after a restart of the meter.
    void restartUploader() {
        cycle.reset();
        uploaderStore = std::make_unique<Store>();
        ASSERT_TRUE(uploaderStore->open(path()));
        cycle = std::make_unique<FleetUploadCycle>(*uploaderStore, server, clock, "Lab PC 3");
    }

    void linkUp() {
        network.setConnected(true);
        engine->EvtTimer();
    }
    void linkDown() {
        network.setConnected(false);
        engine->EvtTimer();
    }
    // On line for `ms`, then a save.
    void runAndSave(qint64 ms) {
        for (qint64 done = 0; done < ms; done += 500) {
            clock.advance(std::min<qint64>(500, ms - done));
            engine->Timer1();
        }
        engine->AutoSave();
    }
    // Steps until nothing is left or a step fails; the last result.
    FleetUploadCycle::Result drain() {
        FleetUploadCycle::Result result = FleetUploadCycle::Result::More;
        for (int i = 0; i < 100 && result == FleetUploadCycle::Result::More; ++i)
            result = cycle->step();
        return result;
    }

    // Every Notes row as the server should hold it once everything has gone.
    QList<FleetSessionRecord> localRecords() {
        Store reader;
        EXPECT_TRUE(reader.open(path()));
        // Everything read as pending, inside a transaction that is then undone.
        EXPECT_TRUE(reader.execute("begin"));
        EXPECT_TRUE(reader.execute("update FleetOutbox set SentSeq = 0"));
        QList<FleetSessionRecord> records;
        for (const FleetOutboxEntry& entry : FleetOutbox(reader).pendingBatch(1000))
            records << entry.record;
        EXPECT_TRUE(reader.execute("rollback"));
        return records;
    }
    // The server holds every row once, each with the local store's figures, and nothing was
    // flagged.
    void expectServerMatchesStore() {
        const QList<FleetSessionRecord> local = localRecords();
        EXPECT_FALSE(local.isEmpty());
        EXPECT_EQ(server.rows(pcId), local);
        EXPECT_TRUE(server.conflicts().isEmpty());
        EXPECT_EQ(FleetOutbox(*store).pendingCount(), 0);
    }

    TempFolder folder;
    std::unique_ptr<Store> store;
    std::unique_ptr<MeterEngine> engine;
    FakeFleetTransport server;
    QString pcId;
    std::unique_ptr<Store> uploaderStore;
    std::unique_ptr<FleetUploadCycle> cycle;

private:
    QtMessageHandler m_previousHandler = nullptr;
};

TEST_F(Uploader, ASessionReachesTheServerAtItsOpeningSavesAndClose) {
    linkUp();
    EXPECT_EQ(drain(), FleetUploadCycle::Result::Idle);
    EXPECT_EQ(server.pcs().value(pcId), "Lab PC 3");
    ASSERT_EQ(server.rows(pcId).size(), 2) << "the pair, at its opening";
    EXPECT_EQ(server.rows(pcId).first().thisTm, 0);

    runAndSave(90'000);
    EXPECT_EQ(drain(), FleetUploadCycle::Result::Idle);
    EXPECT_EQ(server.rows(pcId).first().thisTm, 90);
    runAndSave(30'000);
    linkDown();
    EXPECT_EQ(drain(), FleetUploadCycle::Result::Idle);
    EXPECT_EQ(server.rows(pcId).first().thisTm, 120);
    expectServerMatchesStore();
    // One connection for all of it.
    EXPECT_EQ(server.connectCalls(), 1);
    EXPECT_EQ(server.registerCalls(), 1);
}

// Each fault of the network, in the middle of a session: the failed step marks nothing, the
// next one (on a new connection) sends again, and the server ends with each row once.
TEST_F(Uploader, LostRequestsAnswersDuplicatesAndReorderingEndWithEachRowOnce) {
    struct Case {
        const char* fault;
        std::function<void(FakeFleetTransport&)> inject;
        bool stepFails;
        // Saved again before the retry, so a late copy of the older save must lose.
        bool saveBeforeRetry;
    };
    const Case cases[] = {
        {"lost request", [](FakeFleetTransport& s) { s.loseNextRequest(); }, true, false},
        {"lost request, saved again", [](FakeFleetTransport& s) { s.loseNextRequest(); }, true,
         true},
        // The same save again: the server answers Duplicate and flags nothing.
        {"lost acknowledgement", [](FakeFleetTransport& s) { s.loseNextAcknowledgement(); }, true,
         false},
        {"lost acknowledgement, saved again",
         [](FakeFleetTransport& s) { s.loseNextAcknowledgement(); }, true, true},
        {"duplicate", [](FakeFleetTransport& s) { s.duplicateNextUpload(); }, false, false},
        {"held back and delivered late", [](FakeFleetTransport& s) { s.holdNextUpload(); }, true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        linkUp();
        ASSERT_EQ(drain(), FleetUploadCycle::Result::Idle);
        runAndSave(60'000);
        c.inject(server);
        const int connects = server.connectCalls();
        EXPECT_EQ(drain(),
                  c.stepFails ? FleetUploadCycle::Result::Failed : FleetUploadCycle::Result::Idle);
        if (c.stepFails) {
            EXPECT_EQ(cycle->pendingCount(), 2) << "nothing marked without an answer";
            if (c.saveBeforeRetry)
                runAndSave(60'000);
            EXPECT_EQ(drain(), FleetUploadCycle::Result::Idle);
            EXPECT_EQ(server.connectCalls(), connects + 1) << "a new connection";
        }
        runAndSave(30'000);
        linkDown();
        EXPECT_EQ(drain(), FleetUploadCycle::Result::Idle);
        expectServerMatchesStore();
        clock.advance(60'000);
    }
    EXPECT_EQ(server.rows(pcId).size(), 12) << "six sessions, a pair each";
}

TEST_F(Uploader, AServerGoneMidSessionGetsTheLaterSavesAndTheCloseWhenBack) {
    linkUp();
    runAndSave(60'000);
    ASSERT_EQ(drain(), FleetUploadCycle::Result::Idle);

    server.setDown(true);
    for (int save = 0; save < 5; ++save) {
        runAndSave(60'000);
        EXPECT_EQ(drain(), FleetUploadCycle::Result::Failed);
    }
    linkDown();
    EXPECT_EQ(drain(), FleetUploadCycle::Result::Failed);
    EXPECT_EQ(cycle->pendingCount(), 2);
    EXPECT_EQ(server.rows(pcId).first().thisTm, 60) << "the server keeps what it had";
    EXPECT_TRUE(SaidWith("refused").isEmpty()) << "an unreachable server is no refusal";

    server.setDown(false);
    EXPECT_EQ(drain(), FleetUploadCycle::Result::Idle);
    expectServerMatchesStore();
    EXPECT_EQ(server.rows(pcId).size(), 2);
    EXPECT_EQ(server.rows(pcId).first().thisTm, 360);
}

// The meter's clock put back three hours mid-session: the later save carries an earlier time.
// Delivered after it, the earlier save still loses: order comes from the save sequence only.
TEST_F(Uploader, AWallClockJumpDoesNotDecideWhichSaveIsNewer) {
    linkUp();
    runAndSave(60'000);
    ASSERT_EQ(drain(), FleetUploadCycle::Result::Idle);
    runAndSave(60'000);
    server.holdNextUpload(); // the 10:02 save is delayed in the network
    EXPECT_EQ(drain(), FleetUploadCycle::Result::Failed);

    clock.setNow(clock.now().addSecs(-3 * 3600));
    runAndSave(60'000);
    EXPECT_EQ(drain(), FleetUploadCycle::Result::Idle);
    const FleetSessionRecord onServer = server.rows(pcId).first();
    EXPECT_EQ(onServer.toT, "7:03:00");
    EXPECT_EQ(onServer.thisTm, 180);

    clock.setNow(clock.now().addSecs(5 * 3600));
    runAndSave(60'000);
    linkDown();
    EXPECT_EQ(drain(), FleetUploadCycle::Result::Idle);
    expectServerMatchesStore();
    EXPECT_EQ(server.rows(pcId).first().thisTm, 240);
}

TEST_F(Uploader, UnsentSavesSurviveARestartAndGoOutInKeyOrder) {
    server.setDown(true);
    for (int session = 0; session < 3; ++session) {
        linkUp();
        runAndSave(60'000);
        linkDown();
        EXPECT_EQ(drain(), FleetUploadCycle::Result::Failed);
        clock.advance(60'000);
    }
    // The meter and its uploader end and start again on the same file.
    startMeter();
    restartUploader();
    server.setDown(false);
    cycle->setBatchSize(4);
    EXPECT_EQ(cycle->step(), FleetUploadCycle::Result::More);
    QList<qint64> keys;
    for (const FleetSessionRecord& record : server.rows(pcId))
        keys << record.rowId;
    EXPECT_EQ(keys, (QList<qint64>{1, 2, 3, 4})) << "oldest first";
    EXPECT_EQ(cycle->step(), FleetUploadCycle::Result::Idle);
    expectServerMatchesStore();
    EXPECT_EQ(server.rows(pcId).size(), 6);
    EXPECT_EQ(server.pcs().size(), 1) << "the same PC after the restart";
}

TEST_F(Uploader, AConflictIsSaidWithItsRowAndDoesNotHoldTheRestBack) {
    // The server already holds another session under upload key 1 (a restored backup, say).
    FleetSessionRecord other;
    other.rowId = 1;
    other.saveSeq = 50;
    other.user = "张三";
    other.count = 9;
    server.connect();
    server.upload(pcId, {other});
    server.disconnect();

    linkUp();
    runAndSave(60'000);
    linkDown();
    EXPECT_EQ(drain(), FleetUploadCycle::Result::Idle);
    ASSERT_EQ(server.conflicts().size(), 1);
    EXPECT_EQ(server.conflicts().first().incoming.user, "公用帐号");
    EXPECT_EQ(server.rows(pcId).first(), other) << "the stored row is left alone";
    EXPECT_EQ(server.rows(pcId).size(), 2) << "the Master row went in";
    EXPECT_EQ(cycle->pendingCount(), 0);
    const QStringList said = SaidWith("conflict");
    ASSERT_EQ(said.size(), 1) << g_said.join('\n').toStdString();
    EXPECT_TRUE(said.first().contains("Notes row 1")) << said.first().toStdString();
    EXPECT_TRUE(said.first().contains("upload key 1")) << said.first().toStdString();
}

// An entry whose Notes row went without the triggers seeing it (they were missing then) is
// marked and left, never sent and never counted for ever.
TEST_F(Uploader, AnEntryWhoseRowWentBehindTheTriggersIsLeftBehind) {
    linkUp();
    runAndSave(60'000);
    linkDown();
    ASSERT_TRUE(store->execute("drop trigger FleetNotesDeleted"));
    ASSERT_TRUE(store->execute("delete from Notes where User='Master'"));
    FleetLocalSchema::ensure(*store);
    EXPECT_EQ(FleetOutbox(*store).pendingCount(), 2);
    EXPECT_EQ(drain(), FleetUploadCycle::Result::Idle);
    EXPECT_EQ(cycle->pendingCount(), 0);
    ASSERT_EQ(server.rows(pcId).size(), 1);
    EXPECT_EQ(server.rows(pcId).first().user, "公用帐号");
}

TEST_F(Uploader, ARefusalIsSaidOnceForEachMessage) {
    linkUp();
    server.refuseLogOn("password authentication failed for user \"pc3\"");
    for (int attempt = 0; attempt < 3; ++attempt)
        EXPECT_EQ(drain(), FleetUploadCycle::Result::Failed);
    server.refuseLogOn("schema \"dialtoll\" does not exist");
    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_EQ(drain(), FleetUploadCycle::Result::Failed);
    const QStringList said = SaidWith("refused");
    ASSERT_EQ(said.size(), 2) << g_said.join('\n').toStdString();
    EXPECT_TRUE(said.at(0).contains("password authentication failed"));
    EXPECT_TRUE(said.at(1).contains("does not exist"));

    server.refuseLogOn({});
    EXPECT_EQ(drain(), FleetUploadCycle::Result::Idle);
    expectServerMatchesStore();
}

TEST_F(Uploader, AccountsGoToTheHookAfterEachLogOnAndEveryTenMinutes) {
    const QList<FleetAccount> accounts = {
        {"张三", "$argon2id$v=19$m=65536,t=2,p=1$x$y", "2026年3月2日"}};
    server.setAccounts(accounts);
    QList<QList<FleetAccount>> handed;
    cycle->setAccountsHook([&](Store& given, const QList<FleetAccount>& list) {
        EXPECT_EQ(&given, uploaderStore.get()) << "the worker's own connection";
        handed << list;
    });

    // Fetched after the log-on even with nothing to upload.
    EXPECT_EQ(cycle->step(), FleetUploadCycle::Result::Idle);
    ASSERT_EQ(handed.size(), 1);
    EXPECT_EQ(handed.first(), accounts);
    clock.advance(9 * 60'000);
    EXPECT_EQ(cycle->step(), FleetUploadCycle::Result::Idle);
    EXPECT_EQ(handed.size(), 1);
    clock.advance(60'000);
    EXPECT_EQ(cycle->step(), FleetUploadCycle::Result::Idle);
    EXPECT_EQ(handed.size(), 2);

    // A dropped connection: at the next log-on, at once.
    linkUp();
    server.loseNextRequest();
    EXPECT_EQ(cycle->step(), FleetUploadCycle::Result::Failed);
    EXPECT_EQ(cycle->step(), FleetUploadCycle::Result::Idle);
    EXPECT_EQ(handed.size(), 3);
    EXPECT_EQ(server.registerCalls(), server.connectCalls()) << "registered once per log-on";

    // A cache that cannot be written holds no upload back.
    cycle->setAccountsHook(
        [](Store&, const QList<FleetAccount>&) { throw StoreError("database is locked"); });
    clock.advance(10 * 60'000);
    runAndSave(60'000);
    EXPECT_EQ(cycle->step(), FleetUploadCycle::Result::Idle);
    EXPECT_EQ(SaidWith("account cache").size(), 1);
    linkDown();
    EXPECT_EQ(drain(), FleetUploadCycle::Result::Idle);
    expectServerMatchesStore();
}

// The worker thread: woken by saves, reporting what waits, retrying by timers, ending promptly.
TEST_F(Uploader, TheWorkerUploadsWhenWokenAndReportsWhatWaits) {
    linkUp();
    runAndSave(60'000);
    auto transport = std::make_unique<FakeFleetTransport>();
    FakeFleetTransport& remote = *transport;
    remote.setDown(true);
    FleetUploaderThread worker(path(), std::move(transport), clock, "Lab PC 3");
    QList<int> reported;
    QObject::connect(&worker, &FleetUploaderThread::pendingChanged,
                     [&](int count) { reported << count; });
    ASSERT_TRUE(WaitFor([&] { return !reported.isEmpty(); }));
    EXPECT_EQ(reported.first(), 2);

    // Back: the retry after its delay sends everything.
    remote.setDown(false);
    ASSERT_TRUE(WaitFor([&] { return worker.pendingCount() == 0; }));
    EXPECT_EQ(remote.rows(pcId).size(), 2);

    // A save and a wake-up: it goes at once, long before the slow poll.
    runAndSave(60'000);
    worker.wake();
    ASSERT_TRUE(WaitFor([&] {
        const QList<FleetSessionRecord> rows = remote.rows(pcId);
        return !rows.isEmpty() && rows.first().thisTm == 120;
    }));

    // Down again and waiting for its retry: the thread still ends at once.
    remote.setDown(true);
    runAndSave(60'000);
    worker.wake();
    // The first retry comes after a second and fails; the next is two seconds away.
    const int connects = remote.connectCalls();
    ASSERT_TRUE(WaitFor([&] { return remote.connectCalls() > connects; }));
    EXPECT_TRUE(worker.stop(std::chrono::milliseconds(500)));
    EXPECT_FALSE(worker.isRunning());
}

} // namespace
