#include "meter/fleet/FleetOutbox.h"

#include "common/Store.h"
#include "common/StoreError.h"
#include "common/StoreTransaction.h"

#include <cmath>

namespace {

// Counted on the partial index alone: the uploader counts after every batch.
const char* const CountPending = "select count(*) from FleetOutbox where SaveSeq > SentSeq";

// MONEY keeps four decimals; the server takes whole ten-thousandths.
qint64 TenThousandths(const QVariant& money) {
    return money.isNull() ? 0 : std::llround(money.toDouble() * 10000.0);
}

qint64 Whole(const QVariant& number) {
    return number.isNull() ? 0 : std::llround(number.toDouble());
}

StoreQuery Query(Store& store, const QString& sql, const QVariantList& values = {}) {
    StoreQuery query = store.query(sql, values);
    if (!query.isValid())
        throw StoreError(store.lastError());
    return query;
}

} // namespace

int FleetOutbox::pendingCount() {
    StoreQuery query = Query(m_store, QString::fromLatin1(CountPending));
    if (!query.next())
        throw StoreError(query.error());
    return query.value(0).toInt();
}

QList<FleetOutboxEntry> FleetOutbox::pendingBatch(int limit) {
    StoreQuery query = Query(
        m_store,
        QStringLiteral("select o.UploadKey, o.SaveSeq, o.NotesRowId, n.User, n.Count, n.FromD, "
                       "n.FromT, n.ToD, n.ToT, n.ThisMoney, n.AllMoney, n.ThisTm, n.AllTm, "
                       "n.rowid is null from FleetOutbox o left join Notes n on n.rowid = "
                       "o.NotesRowId where o.SaveSeq > o.SentSeq order by o.UploadKey limit ?"),
        {limit});
    QList<FleetOutboxEntry> batch;
    while (query.next()) {
        FleetOutboxEntry entry;
        FleetSessionRecord& record = entry.record;
        record.rowId = query.value(0).toLongLong();
        record.saveSeq = query.value(1).toLongLong();
        entry.notesRowId = query.value(2).toLongLong();
        record.user = query.value(3).toString();
        record.count = Whole(query.value(4));
        record.fromD = query.value(5).toString();
        record.fromT = query.value(6).toString();
        record.toD = query.value(7).toString();
        record.toT = query.value(8).toString();
        record.thisMoney = TenThousandths(query.value(9));
        record.allMoney = TenThousandths(query.value(10));
        record.thisTm = Whole(query.value(11));
        record.allTm = Whole(query.value(12));
        entry.gone = query.value(13).toLongLong() != 0;
        batch << entry;
    }
    if (!query.error().isEmpty())
        throw StoreError(query.error());
    return batch;
}

void FleetOutbox::markSent(const QList<FleetSessionRecord>& records) {
    if (records.isEmpty())
        return;
    StoreTransaction transaction(m_store);
    for (const FleetSessionRecord& record : records) {
        if (!m_store.execute(QStringLiteral("update FleetOutbox set SentSeq = max(SentSeq, ?) "
                                            "where UploadKey = ?"),
                             {record.saveSeq, record.rowId}))
            throw StoreError(m_store.lastError());
    }
    transaction.commit();
}
