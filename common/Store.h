#pragma once

#include "common/StatementCache.h"
#include "common/StoreQuery.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <chrono>
#include <memory>

struct sqlite3;

// The shared, encrypted database file and the statement dialect the three programs use on it:
// TEXT(n) columns compare without letter case (in every script) and refuse longer texts, val()
// reads the leading number of a text, "delete * from" is accepted, numeric text literals go into
// numeric columns. Values are always bound, never pasted into statement text.
class Store {
public:
    static constexpr const char* FileName = "veyranettimer.dat";

    Store() = default;
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Opens an existing file with the database password (busy timeout, WAL journal). Fails on
    // a missing file, a wrong password or a damaged file.
    bool open(const QString& path);
    // Creates a new file (it must not exist yet) and opens it.
    bool create(const QString& path);
    // Opens an existing file for reading only, where nothing beside it can be written (a
    // read-only folder has no room for WAL's -shm file). Without a pending -wal file the file
    // is read as it lies, unlocked; with one, SQLite's own read-only open is tried.
    bool openReadOnly(const QString& path);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    bool isReadOnly() const { return m_db != nullptr && m_readOnly; }

    // Runs one statement; false with lastError() when it cannot run.
    bool execute(const QString& sql, const QVariantList& values = {});
    // Prepares a query; an invalid StoreQuery with lastError() when it cannot run.
    StoreQuery query(const QString& sql, const QVariantList& values = {});

    // The value as the named column stores it: whole numbers for integer columns, four
    // decimals for MONEY, numeric texts as numbers. Throws StoreError for a text longer than a
    // TEXT(n) column, a non-numeric text for a numeric column, or an unknown column.
    QVariant valueForColumn(const QString& table, const QString& column, const QVariant& value);

    const QString& lastError() const { return m_lastError; }

    // The row id of the last row this connection inserted; 0 before any.
    qint64 lastInsertRowId() const;

    // How long a statement waits for another program's write lock before it fails. Every open
    // starts with a few seconds, so the three programs' statements wait for each other.
    void setBusyTimeout(std::chrono::milliseconds wait);
    std::chrono::milliseconds busyTimeout() const { return m_busyTimeout; }

private:
    struct ColumnType {
        enum Kind { Integer, Money, Text, Other } kind = Other;
        int maxLength = 0;
    };

    bool openFile(const QString& path, int flags);
    sqlite3_stmt* prepare(const QString& sql, const QVariantList& values);
    bool fail(const QString& message);
    const ColumnType* columnType(const QString& table, const QString& column);

    sqlite3* m_db = nullptr;
    bool m_readOnly = false;
    std::shared_ptr<StatementCache> m_statements;
    QString m_lastError;
    std::chrono::milliseconds m_busyTimeout{0};
    // table (lower case) -> column (lower case) -> type; the schema never changes once made.
    QHash<QString, QHash<QString, ColumnType>> m_columnTypes;
};
