#include "meter/fleet/FleetAccountCache.h"

#include "common/Store.h"
#include "common/StoreError.h"
#include "common/StoreTransaction.h"
#include "common/fleet/ServerAccounts.h"

#include <algorithm>

namespace {

// Tables of our own beside the shared ones: the key is the case-folded name, as on the server.
const char* const CreateAccounts =
    "create table if not exists FleetAccounts (NameKey TEXT PRIMARY KEY NOT NULL, "
    "Name TEXT NOT NULL, PasswordHash TEXT NOT NULL, RegDate TEXT NOT NULL DEFAULT '')";
const char* const CreateRefresh =
    "create table if not exists FleetAccountsRefresh ("
    "Id INTEGER PRIMARY KEY CHECK (Id = 1), RefreshedUtc TEXT NOT NULL)";

void Run(Store& store, const QString& sql, const QVariantList& values = {}) {
    if (!store.execute(sql, values))
        throw StoreError(store.lastError());
}

bool HasTable(Store& store, const char* name) {
    StoreQuery query =
        store.query(QStringLiteral("select 1 from sqlite_master where type='table' and name=?"),
                    {QString::fromLatin1(name)});
    if (!query.isValid())
        throw StoreError(store.lastError());
    if (query.next())
        return true;
    if (!query.error().isEmpty())
        throw StoreError(query.error());
    return false;
}

} // namespace

namespace FleetAccountCache {

void replace(Store& store, const QList<FleetAccount>& accounts, const QDateTime& nowUtc) {
    StoreTransaction transaction(store);
    Run(store, QString::fromLatin1(CreateAccounts));
    Run(store, QString::fromLatin1(CreateRefresh));
    Run(store, QStringLiteral("delete from FleetAccounts"));
    for (const FleetAccount& account : accounts)
        // "or replace": two server names that fold alike (the server's key prevents it) keep
        // the later one rather than failing the whole refresh.
        Run(store,
            QStringLiteral("insert or replace into FleetAccounts "
                           "(NameKey, Name, PasswordHash, RegDate) values (?, ?, ?, ?)"),
            {ServerAccounts::nameKey(account.name), account.name, account.passwordHash,
             account.regDate});
    Run(store,
        QStringLiteral("insert or replace into FleetAccountsRefresh (Id, RefreshedUtc) "
                       "values (1, ?)"),
        {nowUtc.toUTC().toString(Qt::ISODateWithMs)});
    transaction.commit();
}

std::function<void(Store&, const QList<FleetAccount>&)> refreshHook() {
    return [](Store& store, const QList<FleetAccount>& accounts) {
        replace(store, accounts, QDateTime::currentDateTimeUtc());
    };
}

std::optional<FleetAccount> find(Store& store, const QString& name) {
    if (!HasTable(store, "FleetAccounts"))
        return std::nullopt;
    StoreQuery query = store.query(
        QStringLiteral("select Name, PasswordHash, RegDate from FleetAccounts where NameKey=?"),
        {ServerAccounts::nameKey(name)});
    if (!query.isValid())
        throw StoreError(store.lastError());
    if (!query.next()) {
        if (!query.error().isEmpty())
            throw StoreError(query.error());
        return std::nullopt;
    }
    return FleetAccount{query.value(0).toString(), query.value(1).toString(),
                        query.value(2).toString()};
}

std::optional<QDateTime> refreshedAt(Store& store) {
    if (!HasTable(store, "FleetAccountsRefresh"))
        return std::nullopt;
    StoreQuery query =
        store.query(QStringLiteral("select RefreshedUtc from FleetAccountsRefresh where Id=1"));
    if (!query.isValid())
        throw StoreError(store.lastError());
    if (!query.next()) {
        if (!query.error().isEmpty())
            throw StoreError(query.error());
        return std::nullopt;
    }
    const QDateTime at = QDateTime::fromString(query.value(0).toString(), Qt::ISODateWithMs);
    // A stamp that cannot be read gives no lifetime: as if never refreshed.
    if (!at.isValid())
        return std::nullopt;
    return at.toUTC();
}

Freshness freshness(Store& store, const QDateTime& nowUtc, int cacheDays) {
    const std::optional<QDateTime> at = refreshedAt(store);
    if (!at)
        return {};
    const qint64 seconds = std::max<qint64>(0, at->secsTo(nowUtc));
    const qint64 days = seconds / 86400;
    return {days > cacheDays ? Freshness::State::TooOld : Freshness::State::Fresh, days};
}

} // namespace FleetAccountCache
