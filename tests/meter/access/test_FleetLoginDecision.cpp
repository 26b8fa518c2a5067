#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/fleet/PasswordHash.h"
#include "meter/access/LoginDecision.h"
#include "meter/engine/MeterEngine.h"
#include "meter/fleet/FleetAccountCache.h"
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
constexpr int CacheDays = 30;

// Hashing is slow on purpose: each password is hashed once for the whole file.
const QString& AliceHash() {
    static const QString hash = PasswordHash::hash(QStringLiteral("Pw1"));
    return hash;
}
const QString& ZhangHash() {
    static const QString hash = PasswordHash::hash(QStringLiteral("密码"));
    return hash;
}

struct FleetLogin : ::testing::Test, FakePlatform {
    void SetUp() override {
        const QString path = folder.file(Store::FileName);
        OpenStore(path, QDate(2026, 3, 2));
        ASSERT_TRUE(store.open(path));
        UpdateUserField(store, "Masterset", "Master", "More", "1");
        // A local account the server does not know.
        InsertRecord(store, "Users", {"User"}, {"bob"}, {"Password"}, {"Pw2"});
        engine.hsLoad();
        decision.enableFleet(clock, CacheDays);
    }
    void fillCache(const QDateTime& at) {
        FleetAccountCache::replace(
            store, {{"Alice", AliceHash(), "2026年1月5日"}, {"张三", ZhangHash(), "2026年2月1日"}},
            at.toUTC());
    }
    // The rows as texts, a number as the store gives it back.
    QList<QStringList> rows(const QString& sql, const QString& user) {
        StoreQuery query = store.query(sql, {user});
        QList<QStringList> result;
        while (query.next()) {
            QStringList row;
            for (int i = 0; i < query.columnCount(); ++i)
                row << query.value(i).toString();
            result << row;
        }
        return result;
    }

    TempFolder folder;
    Store store;
    MeterEngine engine{engineServices(store, folder.path(), "/usr/bin/Dialtoll")};
    LoginDecision decision{store, engine, network};
};

TEST_F(FleetLogin, ChecksServerAccountsAgainstTheCacheAndKeepsTheReservedOnesLocal) {
    fillCache(clock.now().addDays(-2));
    struct Case {
        const char* what;
        QString name;
        QString password;
        QString context;
        Verdict verdict;
    };
    const Case cases[] = {
        {"cached account, its password", "Alice", "Pw1", Connection, Verdict::Accepted},
        {"cached account in other letter case", "aLICE", "Pw1", Connection, Verdict::Accepted},
        {"Chinese name and password", "张三", "密码", Connection, Verdict::Accepted},
        {"password in other letter case", "Alice", "pw1", Connection, Verdict::WrongPassword},
        {"another account's password", "张三", "Pw1", Connection, Verdict::WrongPassword},
        {"empty password", "Alice", "", Connection, Verdict::WrongPassword},
        // Only the server's accounts log on: a local row or the fallback opens nothing.
        {"local account, its local password", "bob", "Pw2", Connection, Verdict::WrongPassword},
        {"unknown name, the fallback", "nobody", Fallback, Connection, Verdict::WrongPassword},
        {"empty name, the fallback", "", Fallback, Connection, Verdict::WrongPassword},
        {"pasted condition in the name", "x' or '1'='1", "Pw1", Connection, Verdict::WrongPassword},
        {"administrator, local password", "Master", "qxmeter", Connection, Verdict::Accepted},
        {"administrator in other letter case", "MASTER", "qxmeter", Connection, Verdict::Accepted},
        {"administrator, wrong password", "Master", "Pw1", Connection, Verdict::WrongPassword},
        {"public account on a change of user", Public, "qxmeter", ChangeOfUser, Verdict::Accepted},
        {"public account for a link", Public, "qxmeter", Connection, Verdict::PublicAccountRefused},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(decision.check(c.name, c.password, c.context), c.verdict) << c.what;
        EXPECT_TRUE(decision.message().isEmpty()) << c.what;
    }
    EXPECT_EQ(engine.currentUser(), Public);
    EXPECT_FALSE(engine.state().LoginGranted);
}

TEST_F(FleetLogin, ACacheNeverFilledOrTooOldRefusesServerAccountsOnly) {
    struct Case {
        const char* what;
        std::optional<int> refreshedDaysAgo;
        Verdict verdict;
        QString message;
    };
    const Case cases[] = {
        {"never filled", std::nullopt, Verdict::AccountsUnavailable,
         "本机还没有从服务器取得帐号，暂时不能登录。请检查与服务器的连接。"},
        {"at the limit", CacheDays, Verdict::Accepted, ""},
        {"over the limit", CacheDays + 1, Verdict::AccountsUnavailable,
         "本机的帐号资料已有 31 天没有与服务器同步（上限 30 天），暂时不能登录。"
         "请检查与服务器的连接。"},
    };
    for (const Case& c : cases) {
        if (c.refreshedDaysAgo)
            fillCache(clock.now().addDays(-*c.refreshedDaysAgo));
        EXPECT_EQ(decision.check("Alice", "Pw1", Connection), c.verdict) << c.what;
        EXPECT_EQ(decision.message(), c.message) << c.what;
        // The cache's age says nothing about the accounts of this PC.
        EXPECT_EQ(decision.check("Master", "qxmeter", Connection), Verdict::Accepted) << c.what;
    }
}

TEST_F(FleetLogin, AcceptanceGivesTheAccountItsLocalRowsOnce) {
    fillCache(clock.now());
    ASSERT_EQ(decision.check("alice", "Pw1", Connection), Verdict::Accepted);
    ASSERT_TRUE(decision.accept("alice", Connection));
    // Current in the server's spelling, with the rows a local registration makes.
    EXPECT_EQ(engine.currentUser(), "Alice");
    EXPECT_TRUE(engine.state().LoginGranted);
    EXPECT_EQ(rows("select User, Password, RegDate from Users where User=?", "alice"),
              (QList<QStringList>{{"Alice", "", "2026年1月5日"}}));
    EXPECT_EQ(
        rows("select ID, User, Jack, Ask, LenTm, Title, ToDate from UserSet where User=?", "alice"),
        (QList<QStringList>{
            {"1", "Alice", "1", "1", "60", "2027年1月1日倒计时", "2027-1-1 0:00:00"}}));

    // A second log-on finds them and adds none.
    ASSERT_EQ(decision.check("ALICE", "Pw1", ChangeOfUser), Verdict::Accepted);
    ASSERT_TRUE(decision.accept("ALICE", ChangeOfUser));
    EXPECT_EQ(rows("select User from Users where User=?", "alice").size(), 1);
    EXPECT_EQ(rows("select User from UserSet where User=?", "alice").size(), 1);
}

TEST_F(FleetLogin, NoAcceptanceWithoutAnAcceptedCheckOfThatName) {
    fillCache(clock.now());
    EXPECT_FALSE(decision.accept("Alice", Connection));
    ASSERT_EQ(decision.check("Alice", "wrong", Connection), Verdict::WrongPassword);
    EXPECT_FALSE(decision.accept("Alice", Connection));
    ASSERT_EQ(decision.check("张三", "密码", Connection), Verdict::Accepted);
    EXPECT_FALSE(decision.accept("Alice", Connection));
    EXPECT_FALSE(decision.message().isEmpty());
    EXPECT_EQ(engine.currentUser(), Public);
    EXPECT_FALSE(engine.state().LoginGranted);
    EXPECT_TRUE(rows("select User from Users where User=?", "Alice").isEmpty());
}

TEST_F(FleetLogin, AnUnreadableStoreNeverAccepts) {
    fillCache(clock.now());
    store.close();
    EXPECT_EQ(decision.check("Alice", "Pw1", Connection), Verdict::StoreFailed);
    EXPECT_FALSE(decision.message().isEmpty());
}

} // namespace
