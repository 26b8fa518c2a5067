#pragma once

#include <QHash>
#include <QString>

struct sqlite3_stmt;

// Prepared statements kept for reuse: the meter runs the same few statements several times a
// second. A statement is taken out while a query uses it and given back when it is done, so
// nested queries of the same text each get their own.
class StatementCache {
public:
    StatementCache() = default;
    ~StatementCache();
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // An idle statement of that text, reset and without bindings; null when there is none.
    sqlite3_stmt* take(const QString& sql);
    // Keeps the statement for the next use of its text (finalises it once closed).
    void give(const QString& sql, sqlite3_stmt* statement);
    // Finalises every idle statement; statements given back later are finalised at once.
    void close();

private:
    QHash<QString, sqlite3_stmt*> m_idle;
    bool m_closed = false;
};
