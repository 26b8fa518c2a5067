#pragma once

#include "statdesk/ServerSessionSource.h"

// The listing of all PCs from the shared server, over a connection made for each read.
class PgServerSessionSource : public ServerSessionSource {
public:
    // `conninfo`: the administrator's connection of fleet.ini.
    explicit PgServerSessionSource(QString conninfo) : m_conninfo(std::move(conninfo)) {}

    SessionListing read(const std::optional<QString>& account, qint64 from, qint64 to) override;

private:
    const QString m_conninfo;
};
