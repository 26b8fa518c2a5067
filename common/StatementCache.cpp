#include "common/StatementCache.h"

#include <sqlite3.h>

namespace {
// Our statements are a small fixed set; the bound only guards against unexpected growth.
constexpr qsizetype MaxIdle = 128;
} // namespace

StatementCache::~StatementCache() {
    close();
}

sqlite3_stmt* StatementCache::take(const QString& sql) {
    sqlite3_stmt* statement = m_idle.take(sql);
    if (statement) {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }
    return statement;
}

void StatementCache::give(const QString& sql, sqlite3_stmt* statement) {
    if (!statement)
        return;
    if (m_closed || m_idle.contains(sql) || m_idle.size() >= MaxIdle) {
        sqlite3_finalize(statement);
        return;
    }
    // Reset now, so an idle statement holds no read transaction open.
    sqlite3_reset(statement);
    m_idle.insert(sql, statement);
}

void StatementCache::close() {
    m_closed = true;
    for (sqlite3_stmt* statement : std::as_const(m_idle))
        sqlite3_finalize(statement);
    m_idle.clear();
}
