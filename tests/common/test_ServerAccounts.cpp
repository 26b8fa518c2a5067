#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/fleet/FleetError.h"
#include "common/fleet/PasswordHash.h"
#include "common/fleet/PgConnection.h"
#include "common/fleet/PgFleetTransport.h"
#include "common/fleet/ServerAccounts.h"
#include "common/fleet/ServerSchema.h"
#include "enroldesk/ServerAccountDirectory.h"
#include "meter/access/FleetLogin.h"
#include "meter/fleet/FleetAccountCache.h"
#include "platform/fake/FakeClock.h"
#include "support/PgTestCluster.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

using Change = ServerAccounts::Change;

// One server for the file: the schema, an administrator and a PC as the set-up
// makes them.
class ServerAccountsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!PgTestCluster::unavailableReason().isEmpty())
            return;
        s_cluster = std::make_unique<PgTestCluster>();
        ASSERT_TRUE(s_cluster->start()) << s_cluster->error().toStdString();
        PgConnection owner(s_cluster->superuserConninfo());
        owner.connect();
        ServerSchema::Install(owner);
        ASSERT_TRUE(s_cluster->createLoginRole("enrol", "enrol-pw", {ServerSchema::AdminRole}))
            << s_cluster->error().toStdString();
        ASSERT_TRUE(s_cluster->createLoginRole("pc1", "pc1-pw", {ServerSchema::PcRole}))
            << s_cluster->error().toStdString();
    }
    static void TearDownTestSuite() { s_cluster.reset(); }

    void SetUp() override {
        const QString reason = PgTestCluster::unavailableReason();
        if (!reason.isEmpty())
            GTEST_SKIP() << "SKIPPED: " << reason.toStdString();
        ASSERT_TRUE(s_cluster && s_cluster->isRunning());
        ASSERT_TRUE(s_cluster->superuserExec("delete from dialtoll.accounts"))
            << s_cluster->error().toStdString();
        admin = std::make_unique<PgConnection>(adminConninfo());
        admin->connect();
    }

    static QString adminConninfo() { return s_cluster->conninfo("enrol", "enrol-pw"); }
    static QString pcConninfo() { return s_cluster->conninfo("pc1", "pc1-pw"); }

    static std::unique_ptr<PgTestCluster> s_cluster;
    std::unique_ptr<PgConnection> admin;
};

std::unique_ptr<PgTestCluster> ServerAccountsTest::s_cluster;

TEST_F(ServerAccountsTest, NamesAreUniqueWithoutLetterCase) {
    ServerAccounts accounts(*admin);
    EXPECT_EQ(accounts.add("Alice", "Pw1", "2026年3月2日"), Change::Done);
    EXPECT_EQ(accounts.add("ALICE", "other", "2026年3月3日"), Change::NameTaken);
    EXPECT_EQ(accounts.add("张三", "密码", "2026年3月3日"), Change::Done);

    const QList<FleetAccount> listed = accounts.list();
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed.at(0).name, "Alice");
    EXPECT_EQ(listed.at(0).regDate, "2026年3月2日");
    // Only the hash is on the server, and it is the first registration's.
    EXPECT_TRUE(PasswordHash::verify(listed.at(0).passwordHash, "Pw1"));
    EXPECT_FALSE(PasswordHash::verify(listed.at(0).passwordHash, "other"));
    EXPECT_EQ(listed.at(1).name, "张三");

    EXPECT_EQ(accounts.remove("aLiCe"), Change::Done);
    EXPECT_EQ(accounts.remove("Alice"), Change::NoSuchAccount);
    EXPECT_EQ(accounts.list().size(), 1);
    // The name is free again.
    EXPECT_EQ(accounts.add("alice", "Pw2", "2026年3月4日"), Change::Done);
}

TEST_F(ServerAccountsTest, APcReadsTheAccountsButCannotChangeThem) {
    ServerAccounts(*admin).add("Alice", "Pw1", "2026年3月2日");
    PgConnection pc(pcConninfo());
    pc.connect();
    ServerAccounts asPc(pc);
    ASSERT_EQ(asPc.list().size(), 1);

    const auto refusedState = [](const auto& change) -> QString {
        try {
            change();
        } catch (const FleetError& error) {
            return error.sqlState;
        }
        return QStringLiteral("<accepted>");
    };
    // 42501: insufficient privilege.
    EXPECT_EQ(refusedState([&] { asPc.add("Mallory", "x", ""); }), "42501");
    EXPECT_EQ(refusedState([&] { asPc.remove("Alice"); }), "42501");
    EXPECT_EQ(refusedState([&] {
                  pc.exec("update dialtoll.accounts set password_hash = $1",
                          {PasswordHash::hash("x")});
              }),
              "42501");
    const QList<FleetAccount> after = ServerAccounts(*admin).list();
    ASSERT_EQ(after.size(), 1);
    EXPECT_TRUE(PasswordHash::verify(after.first().passwordHash, "Pw1"));
}

TEST_F(ServerAccountsTest, AnAccountRegisteredOnTheServerLogsOnFromAPcsCache) {
    // Enroldesk's way in, then the PC's refresh into its store, then the log-on
    // check.
    ServerAccountDirectory enroldesk(adminConninfo());
    ASSERT_EQ(enroldesk.add("Alice", "Pw1", "2026年3月2日"), Change::Done);
    ASSERT_EQ(enroldesk.add("alice", "Pw9", "2026年3月2日"), Change::NameTaken);

    PgFleetTransport transport(pcConninfo());
    transport.connect();
    const QList<FleetAccount> fetched = transport.fetchAccounts();

    TempFolder folder;
    OpenStore(folder.file(Store::FileName), QDate(2026, 3, 2));
    Store store;
    ASSERT_TRUE(store.open(folder.file(Store::FileName)));
    FakeClock clock;
    FleetAccountCache::replace(store, fetched, clock.now().toUTC());
    FleetLogin login(store, clock, 30);
    EXPECT_EQ(login.check("ALICE", "Pw1"), FleetLogin::Verdict::Accepted);
    EXPECT_EQ(login.check("Alice", "Pw9"), FleetLogin::Verdict::WrongPassword);

    ASSERT_EQ(enroldesk.remove("Alice"), Change::Done);
    FleetAccountCache::replace(store, transport.fetchAccounts(), clock.now().toUTC());
    EXPECT_EQ(login.check("Alice", "Pw1"), FleetLogin::Verdict::WrongPassword);
}

TEST_F(ServerAccountsTest, AStoppedServerIsUnreachableAndChangesNothing) {
    ServerAccountDirectory enroldesk(adminConninfo());
    ASSERT_TRUE(s_cluster->stop());
    try {
        enroldesk.add("Alice", "Pw1", "");
        ADD_FAILURE() << "registered with the server stopped";
    } catch (const FleetError& error) {
        EXPECT_TRUE(error.transient) << error.message.toStdString();
    }
    ASSERT_TRUE(s_cluster->start()) << s_cluster->error().toStdString();
    admin->connect();
    EXPECT_TRUE(ServerAccounts(*admin).list().isEmpty());
}

} // namespace
