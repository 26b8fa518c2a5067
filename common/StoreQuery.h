#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>

class StatementCache;
struct sqlite3_stmt;

// The rows of one query, read forward. Values come back as qlonglong, double, QString or a
// null QVariant.
class StoreQuery {
public:
    StoreQuery() = default;
    // A statement for `sql`, given back to `cache` (while it lives) when the query ends.
    StoreQuery(sqlite3_stmt* statement, QString sql, std::weak_ptr<StatementCache> cache);
    ~StoreQuery();
    StoreQuery(StoreQuery&& other) noexcept;
    StoreQuery& operator=(StoreQuery&& other) noexcept;
    StoreQuery(const StoreQuery&) = delete;
    StoreQuery& operator=(const StoreQuery&) = delete;

    bool isValid() const { return m_statement != nullptr; }
    // Steps to the next row; false at the end or on an error (see error()).
    bool next();
    QVariant value(int column) const;
    // The column of that name, matched without letter case; null when there is none.
    QVariant value(const QString& name) const;
    int columnCount() const;
    QStringList columnNames() const;
    const QString& error() const { return m_error; }

private:
    void release();

    sqlite3_stmt* m_statement = nullptr;
    QString m_sql;
    std::weak_ptr<StatementCache> m_cache;
    QString m_error;
};
