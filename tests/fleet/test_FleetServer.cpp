// The server's schema, roles and upload rules against a real PostgreSQL in a temporary cluster.
#include "common/fleet/FleetError.h"
#include "common/fleet/PgConnection.h"
#include "common/fleet/PgFleetTransport.h"
#include "common/fleet/ServerSchema.h"
#include "support/PgTestCluster.h"

#include <QThread>
#include <future>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString PcA = QStringLiteral("aaaaaaaa-0000-4000-8000-000000000001");
const QString PcB = QStringLiteral("bbbbbbbb-0000-4000-8000-000000000002");

FleetSessionRecord Record(qint64 rowId, qint64 saveSeq, qint64 seconds) {
    FleetSessionRecord record;
    record.rowId = rowId;
    record.saveSeq = saveSeq;
    record.user = QStringLiteral("张三");
    record.count = 4;
    record.fromD = QStringLiteral("20261210");
    record.fromT = QStringLiteral("10:00:00");
    record.toD = QStringLiteral("20261210");
    record.toT = QStringLiteral("10:00:%1").arg(seconds, 2, 10, QLatin1Char('0'));
    record.thisMoney = seconds * 17;
    record.allMoney = 1000000 + seconds * 17;
    record.thisTm = seconds;
    record.allTm = 3600 + seconds;
    return record;
}

class FleetServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const QString reason = PgTestCluster::unavailableReason();
        if (!reason.isEmpty()) {
            s_skip = reason;
            return;
        }
        s_cluster = std::make_unique<PgTestCluster>();
        ASSERT_TRUE(s_cluster->start()) << s_cluster->error().toStdString();
        PgConnection owner(s_cluster->superuserConninfo());
        owner.connect();
        ServerSchema::Install(owner);
        ASSERT_TRUE(s_cluster->createLoginRole("pca", "secret-a", {ServerSchema::PcRole}));
        ASSERT_TRUE(s_cluster->createLoginRole("pcb", "secret-b", {ServerSchema::PcRole}));
        ASSERT_TRUE(s_cluster->createLoginRole("office", "secret-o", {ServerSchema::AdminRole}));
    }
    static void TearDownTestSuite() { s_cluster.reset(); }

    void SetUp() override {
        if (!s_skip.isEmpty())
            GTEST_SKIP() << "SKIPPED: " << s_skip.toStdString();
        ASSERT_TRUE(s_cluster->isRunning() || s_cluster->start());
        ASSERT_TRUE(s_cluster->superuserExec(
            "truncate dialtoll.sessions, dialtoll.session_conflicts, dialtoll.pcs cascade"));
    }

    static std::unique_ptr<PgFleetTransport> Transport(const QString& role,
                                                       const QString& password) {
        auto transport = std::make_unique<PgFleetTransport>(s_cluster->conninfo(role, password));
        transport->connect();
        return transport;
    }
    static QStringList Column(const QString& sql) {
        QStringList values;
        EXPECT_TRUE(s_cluster->superuserExec(sql, &values)) << s_cluster->error().toStdString();
        return values;
    }

    static inline std::unique_ptr<PgTestCluster> s_cluster;
    static inline QString s_skip;
};

TEST_F(FleetServer, SetUpRunsAgainWithoutChange) {
    PgConnection owner(s_cluster->superuserConninfo());
    owner.connect();
    EXPECT_EQ(ServerSchema::InstalledVersion(owner), ServerSchema::Version);
    ServerSchema::Install(owner);
    EXPECT_EQ(ServerSchema::InstalledVersion(owner), ServerSchema::Version);
    EXPECT_EQ(Column("select count(*) from dialtoll.schema_version"), QStringList{"1"});
}

TEST_F(FleetServer, ResentSaveAppliesOnceAndOlderNeverOverwrites) {
    auto pc = Transport("pca", "secret-a");
    pc->registerPc(PcA, "A");
    using S = FleetUploadStatus;
    EXPECT_EQ(pc->upload(PcA, {Record(1, 1, 0)}), QList<S>{S::Applied});
    EXPECT_EQ(pc->upload(PcA, {Record(1, 3, 30)}), QList<S>{S::Applied});
    // The same save again, and an older one arriving late, in one batch.
    EXPECT_EQ(pc->upload(PcA, {Record(1, 3, 30), Record(1, 2, 20)}),
              (QList<S>{S::Duplicate, S::Stale}));
    EXPECT_EQ(Column("select save_seq || ' ' || this_tm || ' ' || this_money from "
                     "dialtoll.sessions"),
              QStringList{"3 30 0.0510"});
    EXPECT_EQ(Column("select count(*) from dialtoll.session_conflicts"), QStringList{"0"});
}

TEST_F(FleetServer, RepeatedKeyWithOtherContentsIsFlagged) {
    auto pc = Transport("pca", "secret-a");
    pc->registerPc(PcA, "A");
    using S = FleetUploadStatus;
    ASSERT_EQ(pc->upload(PcA, {Record(7, 2, 40)}), QList<S>{S::Applied});
    FleetSessionRecord sameSaveOtherFigures = Record(7, 2, 41);
    FleetSessionRecord otherSession = Record(7, 5, 50);
    otherSession.user = QStringLiteral("李四");
    EXPECT_EQ(pc->upload(PcA, {sameSaveOtherFigures, otherSession}),
              (QList<S>{S::Conflict, S::Conflict}));
    EXPECT_EQ(Column("select account || ' ' || this_tm from dialtoll.sessions"),
              QStringList{"张三 40"});
    EXPECT_EQ(Column("select reason from dialtoll.session_conflicts order by id"),
              (QStringList{"same save, other contents", "another session under this key"}));
}

TEST_F(FleetServer, ConnectionKilledDuringCommitIsResent) {
    auto pc = Transport("pca", "secret-a");
    pc->registerPc(PcA, "A");
    // Hold the table so the upload waits inside its transaction, then end its server process.
    PgConnection blocker(s_cluster->superuserConninfo());
    blocker.connect();
    blocker.execScript("begin; lock table dialtoll.sessions in exclusive mode");
    auto upload = std::async(std::launch::async, [&] {
        try {
            pc->upload(PcA, {Record(3, 1, 10)});
            return QString();
        } catch (const FleetError& error) {
            return error.transient ? QStringLiteral("transient") : error.message;
        }
    });
    QStringList waiting;
    for (int i = 0; i < 200 && waiting != QStringList{"1"}; ++i) {
        QThread::msleep(25);
        waiting = Column("select count(*) from pg_stat_activity where usename = 'pca' and "
                         "wait_event_type = 'Lock'");
    }
    ASSERT_EQ(waiting, QStringList{"1"});
    EXPECT_EQ(s_cluster->terminateBackends("pca"), 1);
    EXPECT_EQ(upload.get(), QStringLiteral("transient"));
    blocker.execScript("rollback");
    EXPECT_FALSE(pc->isConnected());
    EXPECT_EQ(Column("select count(*) from dialtoll.sessions"), QStringList{"0"});

    pc->connect();
    EXPECT_EQ(pc->upload(PcA, {Record(3, 1, 10)}),
              QList<FleetUploadStatus>{FleetUploadStatus::Applied});
    EXPECT_EQ(pc->upload(PcA, {Record(3, 1, 10)}),
              QList<FleetUploadStatus>{FleetUploadStatus::Duplicate});
    EXPECT_EQ(Column("select count(*) from dialtoll.sessions"), QStringList{"1"});
}

TEST_F(FleetServer, APcRoleReachesOnlyItsOwnRows) {
    auto a = Transport("pca", "secret-a");
    a->registerPc(PcA, "A");
    ASSERT_EQ(a->upload(PcA, {Record(1, 1, 5)}).size(), 1);
    auto b = Transport("pcb", "secret-b");
    b->registerPc(PcB, "B");

    // B can neither write under A's id nor take the id over.
    EXPECT_THROW(b->upload(PcA, {Record(2, 1, 5)}), FleetError);
    b->connect();
    EXPECT_THROW(b->registerPc(PcA, "B"), FleetError);

    PgConnection asB(s_cluster->conninfo("pcb", "secret-b"));
    asB.connect();
    EXPECT_TRUE(asB.exec("select * from dialtoll.sessions").rows.isEmpty());
    EXPECT_EQ(asB.exec("update dialtoll.sessions set this_tm = 0 returning 1").rows.size(), 0);
    EXPECT_THROW(asB.exec("delete from dialtoll.sessions"), FleetError);
    EXPECT_THROW(asB.exec("insert into dialtoll.accounts (name_key, name, password_hash) "
                          "values ('x', 'x', 'x')"),
                 FleetError);
    EXPECT_EQ(asB.exec("select count(*) from dialtoll.pcs").rows.first().first().toString(), "1");

    PgConnection office(s_cluster->conninfo("office", "secret-o"));
    office.connect();
    EXPECT_EQ(office.exec("select count(*) from dialtoll.pcs").rows.first().first().toString(),
              "2");
    EXPECT_EQ(office.exec("select this_tm from dialtoll.sessions").rows.first().first().toString(),
              "5");
}

TEST(FleetServerTls, VerifyFullAcceptsTheNamedHostAndRefusesAnother) {
    const QString reason = PgTestCluster::unavailableReason({.tls = true});
    if (!reason.isEmpty())
        GTEST_SKIP() << "SKIPPED: " << reason.toStdString();
    PgTestCluster cluster({.tls = true});
    ASSERT_TRUE(cluster.start()) << cluster.error().toStdString();
    ASSERT_TRUE(cluster.createLoginRole("pca", "secret-a", {}));

    PgConnection right(cluster.tlsConninfo("localhost", "pca", "secret-a"));
    right.connect();
    EXPECT_EQ(right.exec("select ssl::text from pg_stat_ssl where pid = pg_backend_pid()")
                  .rows.first()
                  .first()
                  .toString(),
              "true");

    PgConnection wrong(cluster.tlsConninfo("wrong.example", "pca", "secret-a"));
    try {
        wrong.connect();
        ADD_FAILURE() << "a certificate for another host name was accepted";
    } catch (const FleetError& error) {
        EXPECT_FALSE(error.transient) << error.message.toStdString();
        EXPECT_TRUE(error.message.contains("wrong.example")) << error.message.toStdString();
    }
}

} // namespace
