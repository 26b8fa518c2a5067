#pragma once

#include "statdesk/SessionRow.h"

#include <QHash>
#include <QStringList>
#include <optional>
#include <vector>

class Store;

// Reads the finished sessions that started within a range of dates into compact rows, in the
// store's own order.
class SessionReader {
public:
    // `account` empty: everyone but Master. Bounds are YYYYMMDD numbers, both inclusive.
    // Throws QueryError when the store refuses the query or a row's span cannot be computed.
    void read(Store& store, const std::optional<QString>& account, qint64 from, qint64 to);

    std::vector<SessionRow> takeRows() { return std::move(m_rows); }
    QStringList takeUsers() { return std::move(m_users); }

private:
    int userIndex(const QString& name);

    std::vector<SessionRow> m_rows;
    QStringList m_users;
    QHash<QString, int> m_userIndexes;
};
