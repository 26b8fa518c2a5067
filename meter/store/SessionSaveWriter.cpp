#include "meter/store/SessionSaveWriter.h"

#include "common/Store.h"
#include "common/StoreError.h"
#include "common/StoreTransaction.h"
#include "meter/store/RecordAccess.h"

#include <cmath>

namespace {

const QString Notes = QStringLiteral("Notes");
const QString UserSetTable = QStringLiteral("UserSet");
const QString Master = QStringLiteral("Master");
const QString UserColumn = QStringLiteral("User");
const QString Count = QStringLiteral("Count");

RowMark MarkOf(const SessionSave& save) {
    // As the integer column keeps it.
    return {std::llround(save.ThisTm), save.ToD, save.ToT};
}

} // namespace

SessionSaveWriter::SessionSaveWriter(Store& store, std::chrono::milliseconds lockWait)
    : m_store(store), m_lockWait(lockWait) {}

QList<SessionSave> SessionSaveWriter::write(QList<SessionSave> saves) {
    m_skippedRows = 0;
    StoreTransaction transaction(m_store, m_lockWait);
    for (SessionSave& save : saves)
        writeSave(save);
    transaction.commit();
    return saves;
}

void SessionSaveWriter::writeSave(SessionSave& save) {
    bool userRow = false;
    bool masterRow = false;
    if (!save.isOpened()) {
        // An opening kept in a journal that reached the store before: its later figures were
        // written to the rows by id, so this older save has nothing to add.
        if (!openPair(save)) {
            m_skippedRows += 2;
            return;
        }
        userRow = masterRow = true;
    } else {
        userRow = rowIsAsLeft(save.UserRowId, save.User, save.UserCount, save, save.UserMark);
        masterRow = rowIsAsLeft(save.MasterRowId, Master, save.MasterCount, save, save.MasterMark);
        m_skippedRows += !userRow + !masterRow;
    }

    const auto userNote = [&](const char* column, const QVariant& value) {
        if (userRow)
            UpdateUserFieldWhereRow(m_store, Notes, save.User, QString::fromLatin1(column), value,
                                    Count, save.UserCount, save.UserRowId);
    };
    const auto masterNote = [&](const char* column, const QVariant& value) {
        if (masterRow)
            UpdateUserFieldWhereRow(m_store, Notes, Master, QString::fromLatin1(column), value,
                                    Count, save.MasterCount, save.MasterRowId);
    };
    // The displayed totals go with the pair: a save applied again must not set them back.
    const auto userSet = [&](const char* column, const QVariant& value) {
        if (userRow || masterRow)
            UpdateUserField(m_store, UserSetTable, save.User, QString::fromLatin1(column), value);
    };
    userNote("AllMoney", save.UserAllMoney);
    userNote("ThisMoney", save.ThisMoney);
    userSet("ShowMoney", save.ShowMoney);
    userNote("AllTm", save.UserAllTm);
    userNote("ThisTm", save.ThisTm);
    userSet("ShowTm", save.ShowTm);
    userNote("ToD", save.ToD);
    userNote("ToT", save.ToT);
    masterNote("AllMoney", save.MasterAllMoney);
    masterNote("AllTm", save.MasterAllTm);
    masterNote("ToD", save.ToD);
    masterNote("ToT", save.ToT);
    masterNote("ThisTm", save.ThisTm);
    if (userRow)
        save.UserMark = MarkOf(save);
    if (masterRow)
        save.MasterMark = MarkOf(save);
}

bool SessionSaveWriter::openPair(SessionSave& save) {
    StoreQuery existing = m_store.query(
        QStringLiteral("select count(*) from Notes where User=? and Count=? and FromD=? and "
                       "FromT=?"),
        {m_store.valueForColumn(Notes, UserColumn, save.User),
         m_store.valueForColumn(Notes, Count, save.UserCount), save.FromD, save.FromT});
    if (!existing.next())
        throw StoreError(m_store.lastError());
    if (existing.value(0).toLongLong() > 0)
        return false;

    save.UserRowId =
        InsertRecord(m_store, Notes, {UserColumn}, {save.User}, {Count}, {save.UserCount});
    const auto userNote = [&](const char* column, const QString& value) {
        UpdateUserFieldWhereRow(m_store, Notes, save.User, QString::fromLatin1(column), value,
                                Count, save.UserCount, save.UserRowId);
    };
    userNote("FromT", save.FromT);
    userNote("FromD", save.FromD);
    save.MasterRowId =
        InsertRecord(m_store, Notes, {UserColumn}, {Master}, {Count}, {save.MasterCount});
    const auto masterNote = [&](const char* column, const QString& value) {
        UpdateUserFieldWhereRow(m_store, Notes, Master, QString::fromLatin1(column), value, Count,
                                save.MasterCount, save.MasterRowId);
    };
    masterNote("FromT", save.FromT);
    masterNote("FromD", save.FromD);
    masterNote("ToT", save.FromT);
    masterNote("ToD", save.FromD);
    return true;
}

bool SessionSaveWriter::rowIsAsLeft(qint64 rowId, const QString& user, qint64 count,
                                    const SessionSave& save, const RowMark& mark) {
    StoreQuery row = m_store.query(
        QStringLiteral("select User,Count,FromD,FromT,ThisTm,ToD,ToT from Notes where rowid=?"),
        {rowId});
    if (!row.isValid())
        throw StoreError(m_store.lastError());
    if (!row.next()) {
        if (!row.error().isEmpty())
            throw StoreError(row.error());
        return false; // deleted meanwhile (Statdesk): nothing to write to
    }
    const QVariant thisTm = row.value(4);
    return row.value(0).toString() == user && row.value(1).toLongLong() == count &&
           row.value(2).toString() == save.FromD && row.value(3).toString() == save.FromT &&
           !thisTm.isNull() &&
           RowMark{thisTm.toLongLong(), row.value(5).toString(), row.value(6).toString()} == mark;
}
