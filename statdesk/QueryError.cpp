#include "statdesk/QueryError.h"

#include <sqlite3.h>

QueryError QueryError::fromStore(const QString& message) {
    // The store hands over sqlite3_errmsg(), which is the code's standard text for every
    // failure that has no message of its own (busy, locked, not a database, ...).
    for (int code = SQLITE_ERROR; code <= SQLITE_NOTADB; ++code) {
        if (message == QString::fromUtf8(sqlite3_errstr(code)))
            return QueryError(code, message);
    }
    return QueryError(SQLITE_ERROR, message.isEmpty() ? QStringLiteral("数据库错误") : message);
}
