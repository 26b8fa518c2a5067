#include "common/fleet/ServerAccounts.h"

#include "common/fleet/FleetError.h"
#include "common/fleet/PasswordHash.h"
#include "common/fleet/PgConnection.h"

namespace {
// unique_violation: the case-folded name is someone's already.
const QString UniqueViolation = QStringLiteral("23505");
} // namespace

ServerAccounts::ServerAccounts(PgConnection& connection) : m_connection(connection) {}

ServerAccounts::Change ServerAccounts::add(const QString& name, const QString& password,
                                           const QString& regDate) {
    // Hashed before the statement, so no server time is held for the slow part.
    const QString hash = PasswordHash::hash(password);
    try {
        m_connection.exec(QStringLiteral("insert into dialtoll.accounts "
                                         "(name_key, name, password_hash, reg_date) "
                                         "values ($1, $2, $3, $4)"),
                          {nameKey(name), name, hash, regDate});
    } catch (const FleetError& error) {
        if (error.sqlState == UniqueViolation)
            return Change::NameTaken;
        throw;
    }
    return Change::Done;
}

ServerAccounts::Change ServerAccounts::remove(const QString& name) {
    const PgRows removed = m_connection.exec(
        QStringLiteral("delete from dialtoll.accounts where name_key = $1 returning name"),
        {nameKey(name)});
    return removed.rows.isEmpty() ? Change::NoSuchAccount : Change::Done;
}

QList<FleetAccount> ServerAccounts::list() {
    const PgRows answer = m_connection.exec(QStringLiteral(
        "select name, password_hash, reg_date from dialtoll.accounts order by name_key"));
    QList<FleetAccount> accounts;
    accounts.reserve(answer.rows.size());
    for (const QList<QVariant>& row : answer.rows)
        accounts.append({row.at(0).toString(), row.at(1).toString(), row.at(2).toString()});
    return accounts;
}
