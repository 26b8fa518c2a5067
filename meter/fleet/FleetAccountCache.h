#pragma once

#include "common/fleet/FleetRecords.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class Store;

// The meter's copy of the server's accounts, inside the encrypted store, so people log on
// while the server is away. Its tables are made at the first refresh, which only happens in
// fleet mode; a store without them reads as a cache never filled. Every call throws StoreError
// when the store refuses.
namespace FleetAccountCache {

// What the login check makes of the cache's age.
struct Freshness {
    enum class State { NeverFilled, Fresh, TooOld };
    State state = State::NeverFilled;
    // Whole days since the last refresh (0 when never filled).
    qint64 ageDays = 0;
};

// The uploader's refresh: the cache becomes exactly `accounts`, refreshed at `nowUtc`, in
// one transaction.
void replace(Store& store, const QList<FleetAccount>& accounts, const QDateTime& nowUtc);
// The same at the present time, in the form the uploader's hook takes.
std::function<void(Store&, const QList<FleetAccount>&)> refreshHook();

// The account of that name in any letter case.
std::optional<FleetAccount> find(Store& store, const QString& name);
// When the cache was last refreshed (UTC); none when never.
std::optional<QDateTime> refreshedAt(Store& store);
// Too old is more than `cacheDays` whole days since the refresh, so the days a refusal names
// always exceed the limit it names. A refresh stamped after
// `nowUtc` (the clock was set back) counts as fresh: its real age cannot be known.
Freshness freshness(Store& store, const QDateTime& nowUtc, int cacheDays);

} // namespace FleetAccountCache
