#include "meter/store/RecordAccess.h"

#include "common/Store.h"
#include "common/StoreError.h"

#include <QRegularExpression>

namespace {

const QString UserColumn = QStringLiteral("User");

// Names are pasted into statements, so only plain identifiers may pass.
const QString& Identifier(const QString& name) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (!plain.match(name).hasMatch())
        throw StoreError(QStringLiteral("无效的名称：%1").arg(name));
    return name;
}

QVariant SelectLast(Store& store, const QString& sql, const QVariantList& values,
                    const QString& table, const QString& column, const QVariant& fallback) {
    StoreQuery query = store.query(sql, values);
    if (!query.isValid())
        throw StoreError(store.lastError());
    // A column the table lacks is the caller's mistake, not a missing value: it fails as the
    // other record functions fail on it, with or without a row.
    if (!query.columnNames().contains(column, Qt::CaseInsensitive))
        throw StoreError(QStringLiteral("表 %1 没有列 %2").arg(table, column));
    if (!query.next()) {
        if (!query.error().isEmpty())
            throw StoreError(query.error());
        return fallback;
    }
    const QVariant value = query.value(column);
    if (value.isNull() || value.toString().isEmpty())
        return fallback;
    return value;
}

void Execute(Store& store, const QString& sql, const QVariantList& values) {
    if (!store.execute(sql, values))
        throw StoreError(store.lastError());
}

} // namespace

QVariant SelectUser(Store& store, const QString& table, const QString& account,
                    const QString& column, const QVariant& fallback) {
    const QString sql = QStringLiteral("Select * from %1 where User=? order by rowid desc limit 1")
                            .arg(Identifier(table));
    return SelectLast(store, sql, {store.valueForColumn(table, UserColumn, account)}, table,
                      Identifier(column), fallback);
}

QVariant SelectUserWhere(Store& store, const QString& table, const QString& account,
                         const QString& column, const QVariant& fallback, const QString& keyColumn,
                         const QVariant& keyValue) {
    const QString sql =
        QStringLiteral("Select * from %1 where User=? and %2=? order by rowid desc limit 1")
            .arg(Identifier(table), Identifier(keyColumn));
    return SelectLast(store, sql,
                      {store.valueForColumn(table, UserColumn, account),
                       store.valueForColumn(table, keyColumn, keyValue)},
                      table, Identifier(column), fallback);
}

qint64 InsertRecord(Store& store, const QString& table, const QStringList& columns1,
                    const QVariantList& values1, const QStringList& columns2,
                    const QVariantList& values2) {
    const QStringList columns = columns1 + columns2;
    const QVariantList values = values1 + values2;
    if (columns.size() != values.size() || columns.isEmpty())
        throw StoreError(QStringLiteral("列与值的个数不符"));
    QVariantList bound;
    QStringList placeholders;
    for (int i = 0; i < columns.size(); ++i) {
        bound << store.valueForColumn(table, Identifier(columns.at(i)), values.at(i));
        placeholders << QStringLiteral("?");
    }
    Execute(store,
            QStringLiteral("insert into %1 (%2) values (%3)")
                .arg(Identifier(table), columns.join(','), placeholders.join(',')),
            bound);
    return store.lastInsertRowId();
}

void UpdateUserField(Store& store, const QString& table, const QString& account,
                     const QString& column, const QVariant& value) {
    Execute(store,
            QStringLiteral("update %1 set %2 = ? where User=?")
                .arg(Identifier(table), Identifier(column)),
            {store.valueForColumn(table, column, value),
             store.valueForColumn(table, UserColumn, account)});
}

void UpdateUserFieldWhere(Store& store, const QString& table, const QString& account,
                          const QString& column, const QVariant& value, const QString& keyColumn,
                          const QVariant& keyValue) {
    Execute(store,
            QStringLiteral("update %1 set %2 = ? where User=? and %3=?")
                .arg(Identifier(table), Identifier(column), Identifier(keyColumn)),
            {store.valueForColumn(table, column, value),
             store.valueForColumn(table, UserColumn, account),
             store.valueForColumn(table, keyColumn, keyValue)});
}

void UpdateUserFieldWhereRow(Store& store, const QString& table, const QString& account,
                             const QString& column, const QVariant& value, const QString& keyColumn,
                             const QVariant& keyValue, qint64 rowId) {
    Execute(store,
            QStringLiteral("update %1 set %2 = ? where User=? and %3=? and rowid=?")
                .arg(Identifier(table), Identifier(column), Identifier(keyColumn)),
            {store.valueForColumn(table, column, value),
             store.valueForColumn(table, UserColumn, account),
             store.valueForColumn(table, keyColumn, keyValue), rowId});
}
