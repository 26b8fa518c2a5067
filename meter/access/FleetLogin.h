#pragma once

#include "common/fleet/FleetRecords.h"

#include <QString>
#include <optional>

class Clock;
class Store;

// The log-on check of fleet mode. Accounts live on the server; the meter checks a name and
// password against its cached copy, so people log on while the server is away, but not on a
// cache that was never filled or has not been refreshed for too long. The reserved accounts
// (the administrator and the public account) stay local. Needs no display.
class FleetLogin {
public:
    enum class Verdict {
        Accepted,
        // Not in the cache, or another password.
        WrongPassword,
        // The cache cannot be trusted for a log-on; see refusal().
        CacheUnusable,
    };

    FleetLogin(Store& store, const Clock& clock, int cacheDays);

    // Whether the name is checked in the local Users table even in fleet mode.
    static bool isLocalAccount(const QString& name);

    // Checks the name and password; verifying the hash takes about a tenth of a second.
    // Throws StoreError when the cache cannot be read.
    Verdict check(const QString& name, const QString& password);
    // The account the last check accepted under `name` (any letter case), in the server's
    // spelling; none when that check was not for this name or did not accept.
    std::optional<FleetAccount> acceptedAccount(const QString& name) const;
    const QString& refusal() const { return m_refusal; }

    // Gives the account the local rows the rest of the meter reads (a Users row without a
    // password and the default UserSet row, as a local registration makes them) where they
    // are missing, in one transaction. Throws StoreError.
    void ensureLocalRows(const FleetAccount& account);

private:
    Store& m_store;
    const Clock& m_clock;
    int m_cacheDays;
    std::optional<FleetAccount> m_account;
    QString m_refusal;
};
