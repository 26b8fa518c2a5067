#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3_stmt;

// The rows of one query, read forward. Values come back as qlonglong, double, QString or a
// null QVariant.
class StoreQuery {
public:
    StoreQuery() = default;
    explicit StoreQuery(sqlite3_stmt* statement);
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
    sqlite3_stmt* m_statement = nullptr;
    QString m_error;
};
