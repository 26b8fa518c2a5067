#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

class Store;

// The meter's access to one account's rows. Table and column names come from our own code;
// every value is bound and checked against its column first (an overlong name or text is
// refused before any statement runs). Each function throws StoreError when it cannot run: no
// open file, an unknown table or column, a value its column refuses.

// The column of the account's last row (insertion order), or `fallback` when there is no row
// or the value is null or empty. A stored 0 is returned as 0.
QVariant SelectUser(Store& store, const QString& table, const QString& account,
                    const QString& column, const QVariant& fallback);
QVariant SelectUserWhere(Store& store, const QString& table, const QString& account,
                         const QString& column, const QVariant& fallback, const QString& keyColumn,
                         const QVariant& keyValue);

// insert into table (columns1,columns2) values (values1,values2); returns the new row's id.
qint64 InsertRecord(Store& store, const QString& table, const QStringList& columns1,
                    const QVariantList& values1, const QStringList& columns2,
                    const QVariantList& values2);

// Updates the column of every row of the account (and key); no matching row is no error.
void UpdateUserField(Store& store, const QString& table, const QString& account,
                     const QString& column, const QVariant& value);
void UpdateUserFieldWhere(Store& store, const QString& table, const QString& account,
                          const QString& column, const QVariant& value, const QString& keyColumn,
                          const QVariant& keyValue);
// The same, for the one row with that id: another row with the same account and key, left by
// an earlier opening, is not touched.
void UpdateUserFieldWhereRow(Store& store, const QString& table, const QString& account,
                             const QString& column, const QVariant& value, const QString& keyColumn,
                             const QVariant& keyValue, qint64 rowId);
