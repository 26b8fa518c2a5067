#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/StoreError.h"
#include "meter/fleet/FleetAccountCache.h"
#include "support/TempFolder.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

using State = FleetAccountCache::Freshness::State;

const QDateTime Refreshed(QDate(2026, 3, 2), QTime(10, 0), Qt::UTC);

struct Cache : ::testing::Test {
    void SetUp() override {
        const QString path = folder.file(Store::FileName);
        OpenStore(path, QDate(2026, 3, 2));
        ASSERT_TRUE(store.open(path));
    }
    bool hasTable(const QString& name) {
        StoreQuery query =
            store.query("select 1 from sqlite_master where type='table' and name=?", {name});
        return query.next();
    }

    TempFolder folder;
    Store store;
};

TEST_F(Cache, AStoreNeverRefreshedHasNoTablesAndNoAccounts) {
    EXPECT_FALSE(FleetAccountCache::find(store, "alice"));
    EXPECT_FALSE(FleetAccountCache::refreshedAt(store));
    EXPECT_EQ(FleetAccountCache::freshness(store, Refreshed, 30).state, State::NeverFilled);
    // Reading made nothing: a store outside fleet mode stays as it was.
    EXPECT_FALSE(hasTable("FleetAccounts"));
    EXPECT_FALSE(hasTable("FleetAccountsRefresh"));
}

TEST_F(Cache, ARefreshReplacesTheAccountsAndFindsThemInAnyLetterCase) {
    FleetAccountCache::replace(
        store, {{"Alice", "$argon2id$a", "2026年1月5日"}, {"Bob", "$argon2id$b", "2026年2月1日"}},
        Refreshed.addDays(-3));
    FleetAccountCache::replace(
        store, {{"Alice", "$argon2id$a2", "2026年1月5日"}, {"张三", "$argon2id$z", "2026年3月1日"}},
        Refreshed);

    const FleetAccount alice{"Alice", "$argon2id$a2", "2026年1月5日"};
    EXPECT_EQ(FleetAccountCache::find(store, "Alice"), alice);
    EXPECT_EQ(FleetAccountCache::find(store, "aLICE"), alice);
    EXPECT_EQ(FleetAccountCache::find(store, "张三")->passwordHash, "$argon2id$z");
    // Bob's account is gone from the server, so from the cache.
    EXPECT_FALSE(FleetAccountCache::find(store, "Bob"));
    EXPECT_FALSE(FleetAccountCache::find(store, ""));
    EXPECT_EQ(FleetAccountCache::refreshedAt(store), Refreshed);

    // An empty server empties the cache, and still counts as a refresh.
    FleetAccountCache::replace(store, {}, Refreshed.addDays(1));
    EXPECT_FALSE(FleetAccountCache::find(store, "Alice"));
    EXPECT_EQ(FleetAccountCache::refreshedAt(store), Refreshed.addDays(1));
}

TEST_F(Cache, AFailedRefreshKeepsThePreviousCache) {
    FleetAccountCache::replace(store, {{"Alice", "$argon2id$a", ""}}, Refreshed);
    // Another program holds the write lock for longer than the refresh waits.
    Store other;
    ASSERT_TRUE(other.open(folder.file(Store::FileName)));
    ASSERT_TRUE(other.execute("begin immediate"));
    store.setBusyTimeout(std::chrono::milliseconds(50));
    EXPECT_THROW(FleetAccountCache::replace(store, {}, Refreshed.addDays(1)), StoreError);
    ASSERT_TRUE(other.execute("rollback"));
    EXPECT_TRUE(FleetAccountCache::find(store, "alice"));
    EXPECT_EQ(FleetAccountCache::refreshedAt(store), Refreshed);
}

TEST_F(Cache, FreshnessCountsWholeDaysAgainstTheLimit) {
    FleetAccountCache::replace(store, {}, Refreshed);
    struct Case {
        const char* what;
        QDateTime now;
        State state;
        qint64 days;
    };
    const Case cases[] = {
        {"just refreshed", Refreshed, State::Fresh, 0},
        {"a day and a bit", Refreshed.addSecs(26 * 3600), State::Fresh, 1},
        {"the limit's last second", Refreshed.addDays(31).addSecs(-1), State::Fresh, 30},
        {"a whole day over the limit", Refreshed.addDays(31), State::TooOld, 31},
        {"a year later", Refreshed.addDays(365), State::TooOld, 365},
        // The clock set back: the cache's real age cannot be known.
        {"stamped in the future", Refreshed.addDays(-2), State::Fresh, 0},
        {"a local time of the same moment", Refreshed.toTimeZone(QTimeZone(8 * 3600)).addDays(2),
         State::Fresh, 2},
    };
    for (const Case& c : cases) {
        const auto fresh = FleetAccountCache::freshness(store, c.now, 30);
        EXPECT_EQ(fresh.state, c.state) << c.what;
        EXPECT_EQ(fresh.ageDays, c.days) << c.what;
    }
}

} // namespace
