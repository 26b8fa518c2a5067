#pragma once

#include "common/Store.h"

#include <QString>
#include <QStringList>

// Every row of `table`. Read through a connection other than the program's, only committed
// changes show. Each row reads "column=value|column=value|…"; null is "<null>".
inline QStringList StoreRows(Store& reader, const QString& table) {
    StoreQuery query = reader.query(QStringLiteral("select * from %1 order by rowid").arg(table));
    if (!query.isValid())
        return {QStringLiteral("<cannot read: %1>").arg(reader.lastError())};
    QStringList rows;
    const QStringList columns = query.columnNames();
    while (query.next()) {
        QStringList cells;
        for (int i = 0; i < columns.size(); ++i) {
            const QVariant value = query.value(i);
            cells << columns.at(i) + u'=' +
                         (value.isNull() ? QStringLiteral("<null>") : value.toString());
        }
        rows << cells.join(u'|');
    }
    return rows;
}

// The tables the settings windows write, all rows of each.
inline QStringList SettingsRows(Store& reader) {
    QStringList rows;
    for (const char* table : {"Users", "Masterset", "UserSet"})
        rows << StoreRows(reader, QLatin1String(table));
    return rows;
}
