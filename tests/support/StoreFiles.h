#pragma once

#include "common/OpenStore.h"
#include "common/Store.h"
#include "support/StoreRows.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStringList>

// A file as an older version left it when its making in place was cut short after `steps`
// creation statements. Empty when the store could not be made.
inline QString MakeUnfinishedStore(const QString& path, int steps, const QDate& today) {
    Store store;
    if (!store.create(path))
        return store.lastError();
    const QStringList statements = StoreCreationStatements(today);
    for (int i = 0; i < steps; ++i) {
        if (!store.execute(statements.at(i)))
            return store.lastError();
    }
    return {};
}

// Every table's columns and rows, in order: two files with the same snapshot hold the same.
inline QStringList StoreSnapshot(const QString& path) {
    Store store;
    if (!store.open(path))
        return {QStringLiteral("<cannot open: %1>").arg(store.lastError())};
    QStringList snapshot;
    QStringList tables;
    {
        StoreQuery query =
            store.query(QStringLiteral("select name from sqlite_master where type='table' "
                                       "order by rowid"));
        while (query.next())
            tables << query.value(0).toString();
    }
    for (const QString& table : tables) {
        QStringList columns;
        StoreQuery info = store.query(QStringLiteral("PRAGMA table_info(%1)").arg(table));
        while (info.next())
            columns << info.value(1).toString() + u' ' + info.value(2).toString();
        snapshot << table + u'(' + columns.join(u',') + u')';
        snapshot << StoreRows(store, table);
    }
    return snapshot;
}

// A checksum of the file's bytes, or "<missing>".
inline QByteArray FileChecksum(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}
