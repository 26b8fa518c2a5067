#include "meter/fleet/FleetLocalSchema.h"

#include "common/Store.h"
#include "common/StoreError.h"
#include "common/StoreTransaction.h"

#include <QUuid>

namespace {

// Upload keys are never reused (AUTOINCREMENT), even when SQLite hands a deleted Notes row's
// id to a new row: the server keys its rows on them. SaveSeq counts writes to the row, SentSeq
// is the highest of them the server has answered for.
const char* const SchemaStatements[] = {
    "create table if not exists FleetPc (PcId TEXT PRIMARY KEY)",
    "create table if not exists FleetOutbox (UploadKey INTEGER PRIMARY KEY AUTOINCREMENT, "
    "NotesRowId INTEGER UNIQUE, SaveSeq INTEGER NOT NULL, SentSeq INTEGER NOT NULL DEFAULT 0)",
    // The uploader reads what is pending in key order; without it each batch would walk past
    // everything already sent.
    "create index if not exists FleetOutboxPending on FleetOutbox (UploadKey) "
    "where SaveSeq > SentSeq",
    "create trigger if not exists FleetNotesInserted after insert on Notes begin "
    "delete from FleetOutbox where NotesRowId = new.rowid; "
    "insert into FleetOutbox (NotesRowId, SaveSeq) values (new.rowid, 1); "
    "end",
    // A row that predates the outbox (written while fleet mode was off) gets its entry now.
    // Not "insert or ignore": an ignored insert still uses up an AUTOINCREMENT key.
    "create trigger if not exists FleetNotesUpdated after update on Notes begin "
    "insert into FleetOutbox (NotesRowId, SaveSeq) select new.rowid, 0 where not exists "
    "(select 1 from FleetOutbox where NotesRowId = new.rowid); "
    "update FleetOutbox set SaveSeq = SaveSeq + 1 where NotesRowId = new.rowid; "
    "end",
    "create trigger if not exists FleetNotesDeleted after delete on Notes begin "
    "delete from FleetOutbox where NotesRowId = old.rowid; "
    "end",
};

bool TableExists(Store& store, const QString& name) {
    StoreQuery query =
        store.query(QStringLiteral("select count(*) from sqlite_master where type='table' and "
                                   "name=?"),
                    {name});
    if (!query.next())
        throw StoreError(query.error().isEmpty() ? store.lastError() : query.error());
    return query.value(0).toLongLong() > 0;
}

void Run(Store& store, const QString& sql, const QVariantList& values = {}) {
    if (!store.execute(sql, values))
        throw StoreError(store.lastError());
}

} // namespace

void FleetLocalSchema::ensure(Store& store) {
    StoreTransaction transaction(store);
    const bool outboxIsNew = !TableExists(store, QStringLiteral("FleetOutbox"));
    for (const char* statement : SchemaStatements)
        Run(store, QString::fromLatin1(statement));
    if (outboxIsNew) {
        Run(store, QStringLiteral("insert into FleetOutbox (NotesRowId, SaveSeq) "
                                  "select rowid, 1 from Notes order by rowid"));
    }
    Run(store,
        QStringLiteral("insert into FleetPc (PcId) select ? where not exists "
                       "(select 1 from FleetPc)"),
        {QUuid::createUuid().toString(QUuid::WithoutBraces)});
    transaction.commit();
}

bool FleetLocalSchema::exists(Store& store) {
    return TableExists(store, QStringLiteral("FleetOutbox")) &&
           TableExists(store, QStringLiteral("FleetPc"));
}

QString FleetLocalSchema::pcId(Store& store) {
    if (!TableExists(store, QStringLiteral("FleetPc")))
        return {};
    StoreQuery query = store.query(QStringLiteral("select PcId from FleetPc limit 1"));
    if (!query.isValid())
        throw StoreError(store.lastError());
    if (!query.next()) {
        if (!query.error().isEmpty())
            throw StoreError(query.error());
        return {};
    }
    return query.value(0).toString();
}
