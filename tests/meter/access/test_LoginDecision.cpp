#include "common/OpenStore.h"
#include "common/Store.h"
#include "meter/access/LoginDecision.h"
#include "meter/engine/MeterEngine.h"
#include "meter/store/RecordAccess.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

using Verdict = LoginDecision::Verdict;

const QString Public = QStringLiteral("公用帐号");
const QString Fallback = QStringLiteral("石青竹");
const QString ChangeOfUser = QStringLiteral("900000");
const QString Connection = QStringLiteral("0");
const QString Dialog = QStringLiteral("4097");

struct Login : ::testing::Test, FakePlatform {
    void SetUp() override {
        const QString path = folder.file(Store::FileName);
        OpenStore(path, QDate(2026, 3, 2));
        ASSERT_TRUE(store.open(path));
        UpdateUserField(store, "Masterset", "Master", "More", "1");
        addUser("alice", "Pw1");
        addUser("o'neil", "quote");
        addUser("nopass", "");
        addUser("张三", "密码");
        engine.hsLoad();
    }
    void addUser(const QString& name, const QString& password) {
        InsertRecord(store, "Users", {"User"}, {name}, {"Password"}, {password});
        InsertRecord(store, "UserSet", {"User"}, {name}, {"ShowMoney"}, {0});
    }
    int noteRows(const QString& user) {
        StoreQuery query = store.query("select count(*) from Notes where User=?", {user});
        EXPECT_TRUE(query.next());
        return query.value(0).toInt();
    }
    // A link came up while nobody had logged on: the engine waits for a log-on.
    void linkUpWaiting() {
        network.setConnected(true);
        engine.EvtTimer();
        ASSERT_TRUE(engine.state().Linked);
        ASSERT_FALSE(engine.state().RecordsOpen);
    }

    TempFolder folder;
    Store store;
    MeterEngine engine{engineServices(store, folder.path(), "/usr/bin/Dialtoll")};
    LoginDecision decision{store, engine, network};
};

struct Case {
    const char* what;
    QString name;
    QString password;
    QString context;
    bool connected;
    Verdict verdict;
};

TEST_F(Login, DecidesInTheOrderOfItsRules) {
    const Case cases[] = {
        {"public account, change of user, off line", Public, "qxmeter", ChangeOfUser, false,
         Verdict::Accepted},
        {"public account, change of user, wrong password", Public, "x", ChangeOfUser, false,
         Verdict::WrongPassword},
        {"public account, change of user, on line", Public, "qxmeter", ChangeOfUser, true,
         Verdict::PublicAccountRefused},
        {"public account for a link", Public, "qxmeter", Connection, false,
         Verdict::PublicAccountRefused},
        {"public account for a dialog", Public, "qxmeter", Dialog, false,
         Verdict::PublicAccountRefused},
        {"public account, a context that only starts like a change", Public, "qxmeter", "900000 ",
         false, Verdict::PublicAccountRefused},
        {"own password", "alice", "Pw1", Connection, true, Verdict::Accepted},
        {"password in other letter case", "alice", "pw1", Connection, true, Verdict::WrongPassword},
        {"name in other letter case finds the account", "ALICE", "Pw1", Dialog, false,
         Verdict::Accepted},
        {"an account's name with the fallback", "alice", Fallback, Connection, true,
         Verdict::WrongPassword},
        {"no account: the fallback", "nobody", Fallback, Connection, true, Verdict::Accepted},
        {"no account: anything else", "nobody", "", Connection, true, Verdict::WrongPassword},
        {"empty password stored: the fallback", "nopass", Fallback, Connection, true,
         Verdict::Accepted},
        {"empty password stored: empty typed", "nopass", "", Connection, true,
         Verdict::WrongPassword},
        {"empty name: the fallback", "", Fallback, Connection, true, Verdict::Accepted},
        {"empty name, empty password", "", "", Connection, true, Verdict::WrongPassword},
        {"Chinese name and password", "张三", "密码", Connection, true, Verdict::Accepted},
        {"name with an apostrophe, its own password", "o'neil", "quote", Connection, true,
         Verdict::Accepted},
        {"name with an apostrophe, the fallback", "o'neil", Fallback, Connection, true,
         Verdict::WrongPassword},
        {"pasted condition in the name", "x' or '1'='1", "quote", Connection, true,
         Verdict::WrongPassword},
        {"password with trailing blank", "alice", "Pw1 ", Connection, true, Verdict::WrongPassword},
        {"name of 12 characters, no account", "一二三四五六七八九十甲乙", Fallback, Connection,
         true, Verdict::Accepted},
        {"name of 13 characters", "一二三四五六七八九十甲乙丙", Fallback, Connection, true,
         Verdict::WrongPassword},
        {"password of 9 characters", "nobody", "123456789", Connection, true,
         Verdict::WrongPassword},
        {"password of 8 characters outside the basic plane", "nobody",
         QStringLiteral("𠀀𠀁𠀂𠀃𠀄𠀅𠀆𠀇"), Connection, true, Verdict::WrongPassword},
    };
    for (const Case& c : cases) {
        network.setConnected(c.connected);
        EXPECT_EQ(decision.check(c.name, c.password, c.context), c.verdict) << c.what;
        EXPECT_TRUE(decision.message().isEmpty()) << c.what;
    }
    // Checking switches nothing.
    EXPECT_EQ(engine.currentUser(), Public);
    EXPECT_FALSE(engine.state().LoginGranted);
}

TEST_F(Login, AnUnreadableStoreNeverAccepts) {
    store.close();
    EXPECT_EQ(decision.check("nobody", Fallback, Connection), Verdict::StoreFailed);
    EXPECT_FALSE(decision.message().isEmpty());
    EXPECT_EQ(decision.check("alice", "Pw1", Connection), Verdict::StoreFailed);
}

TEST_F(Login, AcceptanceOffLineOpensNoRecordAndKeepsTheCount) {
    // alice has two earlier sessions.
    InsertRecord(store, "Notes", {"User"}, {"alice"}, {"Count"}, {1});
    InsertRecord(store, "Notes", {"User"}, {"alice"}, {"Count"}, {2});
    ASSERT_TRUE(decision.accept("alice", Dialog));
    EXPECT_EQ(engine.currentUser(), "alice");
    EXPECT_TRUE(engine.state().LoginGranted);
    EXPECT_EQ(engine.figures().Label7, "2 次");
    EXPECT_EQ(noteRows("alice"), 2);
    EXPECT_EQ(noteRows("Master"), 0);
    EXPECT_EQ(network.hangUpCount(), 0);

    // The link comes up later: the records open then, numbered after the count.
    network.setConnected(true);
    engine.EvtTimer();
    EXPECT_TRUE(engine.state().RecordsOpen);
    EXPECT_EQ(engine.figures().Label7, "3 次");
    EXPECT_EQ(SelectUserWhere(store, "Notes", "alice", "FromD", "", "Count", 3).toString(),
              "20260302");
}

TEST_F(Login, AcceptanceOnLineOpensTheNewAccountsRecords) {
    linkUpWaiting();
    EXPECT_EQ(noteRows(Public), 0);
    ASSERT_TRUE(decision.accept("ALICE", Connection));
    EXPECT_EQ(engine.currentUser(), "ALICE");
    EXPECT_TRUE(engine.state().RecordsOpen);
    EXPECT_EQ(engine.figures().Label7, "1 次");
    EXPECT_EQ(engine.figures().Label17, "1 次");
    // Stored under the name as typed; the store finds it as alice's.
    EXPECT_EQ(noteRows("alice"), 1);
    EXPECT_EQ(noteRows(Public), 0);
    EXPECT_EQ(noteRows("Master"), 1);
    EXPECT_EQ(SelectUserWhere(store, "Notes", "alice", "FromT", "", "Count", 1).toString(),
              "10:00:00");
}

TEST_F(Login, ChangeOfUserOnLineSavesTheOutgoingSessionFirst) {
    UpdateUserField(store, "Masterset", "Master", "More", "0");
    network.setConnected(true);
    engine.EvtTimer(); // the public account's session opens
    ASSERT_TRUE(engine.state().RecordsOpen);
    clock.advance(65'000);
    ASSERT_TRUE(decision.accept("alice", ChangeOfUser));
    // The public account's record was written up to the change.
    EXPECT_EQ(SelectUserWhere(store, "Notes", Public, "ThisTm", "", "Count", 1).toInt(), 65);
    EXPECT_EQ(SelectUserWhere(store, "Notes", Public, "ToT", "", "Count", 1).toString(),
              "10:01:05");
    // And alice's own session runs now.
    EXPECT_EQ(engine.currentUser(), "alice");
    EXPECT_EQ(noteRows("alice"), 1);
    EXPECT_EQ(noteRows("Master"), 2);
}

TEST_F(Login, AFailedLoadLeavesThePreviousAccountCurrent) {
    ASSERT_EQ(decision.check("alice", "Pw1", Connection), Verdict::Accepted);
    store.close();
    EXPECT_FALSE(decision.accept("alice", Connection));
    EXPECT_FALSE(decision.message().isEmpty());
    EXPECT_EQ(engine.currentUser(), Public);
    EXPECT_FALSE(engine.state().LoginGranted);
}

} // namespace
