#include "common/StoreQuery.h"

#include "common/StatementCache.h"

#include <sqlite3.h>
#include <utility>

StoreQuery::StoreQuery(sqlite3_stmt* statement, QString sql, std::weak_ptr<StatementCache> cache)
    : m_statement(statement), m_sql(std::move(sql)), m_cache(std::move(cache)) {}

StoreQuery::~StoreQuery() {
    release();
}

StoreQuery::StoreQuery(StoreQuery&& other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr)), m_sql(std::move(other.m_sql)),
      m_cache(std::move(other.m_cache)), m_error(std::move(other.m_error)) {}

StoreQuery& StoreQuery::operator=(StoreQuery&& other) noexcept {
    if (this != &other) {
        release();
        m_statement = std::exchange(other.m_statement, nullptr);
        m_sql = std::move(other.m_sql);
        m_cache = std::move(other.m_cache);
        m_error = std::move(other.m_error);
    }
    return *this;
}

void StoreQuery::release() {
    if (!m_statement)
        return;
    if (const auto cache = m_cache.lock())
        cache->give(m_sql, m_statement);
    else
        sqlite3_finalize(m_statement);
    m_statement = nullptr;
}

bool StoreQuery::next() {
    if (!m_statement)
        return false;
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        m_error = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_statement)));
    return false;
}

QVariant StoreQuery::value(int column) const {
    if (!m_statement || column < 0 || column >= columnCount())
        return {};
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qlonglong>(sqlite3_column_int64(m_statement, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_statement, column);
    case SQLITE_NULL:
        return {};
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
        return QString::fromUtf8(text, sqlite3_column_bytes(m_statement, column));
    }
    }
}

QVariant StoreQuery::value(const QString& name) const {
    const int count = columnCount();
    for (int i = 0; i < count; ++i) {
        if (name.compare(QString::fromUtf8(sqlite3_column_name(m_statement, i)),
                         Qt::CaseInsensitive) == 0)
            return value(i);
    }
    return {};
}

int StoreQuery::columnCount() const {
    return m_statement ? sqlite3_column_count(m_statement) : 0;
}

QStringList StoreQuery::columnNames() const {
    QStringList names;
    const int count = columnCount();
    for (int i = 0; i < count; ++i)
        names << QString::fromUtf8(sqlite3_column_name(m_statement, i));
    return names;
}
