#pragma once

#include "common/fleet/FleetRecords.h"

#include <QList>
#include <QString>

class PgConnection;

// The accounts on the shared server, through a connection of the administrator's role. Names
// are unique without letter case: the key is the case-folded name. Every call throws
// FleetError when the server cannot be reached or refuses.
class ServerAccounts {
public:
    enum class Change {
        Done,
        // Registering: another account has the name in some letter case.
        NameTaken,
        // Removing: no account of that name in any letter case.
        NoSuchAccount,
    };

    explicit ServerAccounts(PgConnection& connection);

    static QString nameKey(const QString& name) { return name.toCaseFolded(); }

    // Stores the account with a fresh hash of `password`; `regDate` as the local registration
    // writes it ("YYYY年M月D日").
    Change add(const QString& name, const QString& password, const QString& regDate);
    Change remove(const QString& name);
    QList<FleetAccount> list();

private:
    PgConnection& m_connection;
};
