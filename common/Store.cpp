#include "common/Store.h"

#include "common/CaseFoldedCollation.h"
#include "common/StoreError.h"
#include "common/TextConventions.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <cmath>
#include <sqlite3.h>

namespace {

// The database password every program opens the file with.
const QByteArray DatabaseKey = QStringLiteral("松风明月夜").toUtf8();
constexpr std::chrono::milliseconds BusyTimeout{5000};

// val(text): the leading number of a text, as the statements' date conditions need it.
void ValFunction(sqlite3_context* context, int, sqlite3_value** args) {
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) {
        sqlite3_result_int(context, 0);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(args[0]));
    const double number = NumberFromText(QString::fromUtf8(text, sqlite3_value_bytes(args[0])));
    if (std::trunc(number) == number && std::fabs(number) < 9.0e15)
        sqlite3_result_int64(context, static_cast<sqlite3_int64>(number));
    else
        sqlite3_result_double(context, number);
}

// The statement dialect on top of SQLite. "delete * from" is the older form of "delete from";
// TEXT(n) columns get case-insensitive comparison and their length limit. The collation keeps
// SQLite's standard name NOCASE; each connection of ours gives it full Unicode case folding.
QString DialectStatement(const QString& sql) {
    static const QRegularExpression deleteStar(R"(^\s*delete\s+\*\s+from\b)",
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression ddl(R"(^\s*(create|alter)\s+table\b)",
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression textColumn(R"((\w+)\s+TEXT\s*\(\s*(\d+)\s*\))",
                                               QRegularExpression::CaseInsensitiveOption);
    QString statement = sql;
    statement.replace(deleteStar, QStringLiteral("delete from"));
    if (ddl.match(statement).hasMatch()) {
        statement.replace(
            textColumn, QStringLiteral("\\1 TEXT(\\2) COLLATE NOCASE CHECK(length(\"\\1\")<=\\2)"));
    }
    return statement;
}

bool IsNumericText(const QString& text) {
    bool ok = false;
    text.trimmed().toDouble(&ok);
    return ok;
}

} // namespace

Store::~Store() {
    close();
}

bool Store::open(const QString& path) {
    if (!QFile::exists(path))
        return fail(QStringLiteral("数据库文件不存在：%1").arg(path));
    return openFile(path, SQLITE_OPEN_READWRITE);
}

bool Store::create(const QString& path) {
    if (QFile::exists(path))
        return fail(QStringLiteral("数据库文件已存在：%1").arg(path));
    return openFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

bool Store::openReadOnly(const QString& path) {
    if (!QFile::exists(path))
        return fail(QStringLiteral("数据库文件不存在：%1").arg(path));
    const QFileInfo wal(path + QStringLiteral("-wal"));
    if (wal.exists() && wal.size() > 0)
        return openFile(path, SQLITE_OPEN_READONLY);
    // Nothing can change the file while nothing beside it can be written, and no -wal holds
    // rows the file lacks: it is read as immutable, which needs neither locks nor -shm.
    QUrl uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    uri.setQuery(QStringLiteral("immutable=1"));
    return openFile(QString::fromUtf8(uri.toEncoded()), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
}

bool Store::openFile(const QString& path, int flags) {
    close();
    m_readOnly = (flags & SQLITE_OPEN_READONLY) != 0;
    const QByteArray fileName = (flags & SQLITE_OPEN_URI) ? path.toUtf8() : QFile::encodeName(path);
    if (sqlite3_open_v2(fileName.constData(), &m_db, flags, nullptr) != SQLITE_OK) {
        const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
        close();
        return fail(message);
    }
    m_statements = std::make_shared<StatementCache>();
    setBusyTimeout(BusyTimeout);
    sqlite3_key(m_db, DatabaseKey.constData(), DatabaseKey.size());
    sqlite3_create_function(m_db, "val", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            &ValFunction, nullptr, nullptr);
    // Names compare without case in every script; without it lookups would quietly miss.
    if (!RegisterCaseFoldedNocase(m_db)) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
        close();
        return fail(message);
    }
    // Reading the schema proves the key; a wrong password or a damaged file fails here.
    if (!execute(QStringLiteral("select count(*) from sqlite_master")) ||
        (!m_readOnly && !execute(QStringLiteral("PRAGMA journal_mode=WAL")))) {
        const QString message = m_lastError;
        close();
        return fail(message);
    }
    return true;
}

void Store::close() {
    if (m_statements) {
        m_statements->close();
        m_statements.reset();
    }
    if (m_db) {
        // Statements of queries still alive are finalised when they end.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    m_columnTypes.clear();
}

bool Store::fail(const QString& message) {
    m_lastError = message;
    return false;
}

sqlite3_stmt* Store::prepare(const QString& sql, const QVariantList& values) {
    if (!m_db) {
        fail(QStringLiteral("数据库没有打开"));
        return nullptr;
    }
    sqlite3_stmt* statement = m_statements->take(sql);
    if (!statement) {
        const QByteArray text = DialectStatement(sql).toUtf8();
        if (sqlite3_prepare_v2(m_db, text.constData(), text.size(), &statement, nullptr) !=
            SQLITE_OK) {
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
            return nullptr;
        }
    }
    if (sqlite3_bind_parameter_count(statement) != values.size()) {
        sqlite3_finalize(statement);
        fail(QStringLiteral("语句的参数个数不符"));
        return nullptr;
    }
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& value = values.at(i);
        const int index = i + 1;
        int rc = SQLITE_OK;
        switch (value.typeId()) {
        case QMetaType::UnknownType:
        case QMetaType::Nullptr:
            rc = sqlite3_bind_null(statement, index);
            break;
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(statement, index, value.toLongLong());
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(statement, index, value.toDouble());
            break;
        default: {
            if (value.isNull()) {
                rc = sqlite3_bind_null(statement, index);
            } else {
                const QByteArray utf8 = value.toString().toUtf8();
                rc = sqlite3_bind_text(statement, index, utf8.constData(), utf8.size(),
                                       SQLITE_TRANSIENT);
            }
        }
        }
        if (rc != SQLITE_OK) {
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
            sqlite3_finalize(statement);
            return nullptr;
        }
    }
    return statement;
}

bool Store::execute(const QString& sql, const QVariantList& values) {
    sqlite3_stmt* statement = prepare(sql, values);
    if (!statement)
        return false;
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(statement);
    if (rc != SQLITE_DONE)
        fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    m_statements->give(sql, statement);
    return rc == SQLITE_DONE;
}

StoreQuery Store::query(const QString& sql, const QVariantList& values) {
    return StoreQuery(prepare(sql, values), sql, m_statements);
}

const Store::ColumnType* Store::columnType(const QString& table, const QString& column) {
    const QString tableKey = table.toLower();
    auto tableIt = m_columnTypes.find(tableKey);
    if (tableIt == m_columnTypes.end()) {
        static const QRegularExpression textType(R"(^TEXT\s*\(\s*(\d+)\s*\))",
                                                 QRegularExpression::CaseInsensitiveOption);
        QHash<QString, ColumnType> columns;
        // Table names come from our own code only; they cannot be bound in a PRAGMA.
        StoreQuery info = query(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
        while (info.next()) {
            const QString declared = info.value(QStringLiteral("type")).toString().trimmed();
            ColumnType type;
            if (declared.compare(QStringLiteral("integer"), Qt::CaseInsensitive) == 0) {
                type.kind = ColumnType::Integer;
            } else if (declared.compare(QStringLiteral("money"), Qt::CaseInsensitive) == 0) {
                type.kind = ColumnType::Money;
            } else if (const auto match = textType.match(declared); match.hasMatch()) {
                type.kind = ColumnType::Text;
                type.maxLength = match.captured(1).toInt();
            }
            columns.insert(info.value(QStringLiteral("name")).toString().toLower(), type);
        }
        if (columns.isEmpty())
            return nullptr;
        tableIt = m_columnTypes.insert(tableKey, columns);
    }
    const auto columnIt = tableIt->constFind(column.toLower());
    return columnIt == tableIt->constEnd() ? nullptr : &*columnIt;
}

QVariant Store::valueForColumn(const QString& table, const QString& column, const QVariant& value) {
    const ColumnType* type = columnType(table, column);
    if (!type)
        throw StoreError(QStringLiteral("表 %1 没有列 %2").arg(table, column));
    if (value.isNull())
        return value;
    const bool isText = value.typeId() == QMetaType::QString;
    switch (type->kind) {
    case ColumnType::Integer:
    case ColumnType::Money: {
        if (isText && !IsNumericText(value.toString()))
            throw StoreError(QStringLiteral("列 %1 只接受数字：%2").arg(column, value.toString()));
        const double number = isText ? value.toString().trimmed().toDouble() : value.toDouble();
        if (type->kind == ColumnType::Integer)
            return QVariant::fromValue<qlonglong>(std::llround(number));
        const double money = std::round(number * 10000.0) / 10000.0;
        if (std::trunc(money) == money && std::fabs(money) < 9.0e15)
            return QVariant::fromValue<qlonglong>(static_cast<qlonglong>(money));
        return money;
    }
    case ColumnType::Text: {
        const QString text = isText ? value.toString() : NumberToText(value.toDouble());
        if (CharacterCount(text) > type->maxLength)
            throw StoreError(QStringLiteral("列 %1 最多 %2 个字符：%3")
                                 .arg(column)
                                 .arg(type->maxLength)
                                 .arg(text));
        return text;
    }
    case ColumnType::Other:
        break;
    }
    return value;
}

qint64 Store::lastInsertRowId() const {
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

void Store::setBusyTimeout(std::chrono::milliseconds wait) {
    m_busyTimeout = wait;
    if (m_db)
        sqlite3_busy_timeout(m_db, static_cast<int>(wait.count()));
}
