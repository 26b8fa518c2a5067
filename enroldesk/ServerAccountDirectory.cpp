#include "enroldesk/ServerAccountDirectory.h"

#include "common/fleet/PgConnection.h"

ServerAccountDirectory::ServerAccountDirectory(QString conninfo)
    : m_conninfo(std::move(conninfo)) {}

ServerAccounts::Change ServerAccountDirectory::add(const QString& name, const QString& password,
                                                   const QString& regDate) {
    PgConnection connection(m_conninfo);
    connection.connect();
    return ServerAccounts(connection).add(name, password, regDate);
}

ServerAccounts::Change ServerAccountDirectory::remove(const QString& name) {
    PgConnection connection(m_conninfo);
    connection.connect();
    return ServerAccounts(connection).remove(name);
}
