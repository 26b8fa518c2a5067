#pragma once

#include "enroldesk/AccountDirectory.h"

// The accounts on the shared server, reached with the administrator's connection. Each call
// has a connection of its own, made and closed in it, so calls may come from any thread.
class ServerAccountDirectory : public AccountDirectory {
public:
    explicit ServerAccountDirectory(QString conninfo);

    ServerAccounts::Change add(const QString& name, const QString& password,
                               const QString& regDate) override;
    ServerAccounts::Change remove(const QString& name) override;

private:
    QString m_conninfo;
};
