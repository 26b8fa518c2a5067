#pragma once

#include "meter/store/SessionSave.h"

#include <QList>
#include <chrono>

class Store;

// Writes session saves into the store: all of them in one transaction, or none. A save whose
// pair is not in the store yet opens it (inserts both rows with the session's start); the
// others go only to their own rows (row id, account, number and start must match) and only
// over what the meter last wrote there (the rows' marks), so a save is never written to a
// different row, nor over newer figures.
class SessionSaveWriter {
public:
    // `lockWait`: how long to wait for another program's write lock before giving up.
    SessionSaveWriter(Store& store, std::chrono::milliseconds lockWait);

    // Returns the saves with their row ids and marks as the store now holds them. Throws
    // StoreError when the store cannot take them all; it is then unchanged.
    QList<SessionSave> write(QList<SessionSave> saves);
    // Rows of the last write() left alone because they were gone, belonged to something else,
    // or already held a later write (a save applied before).
    int skippedRows() const { return m_skippedRows; }

private:
    void writeSave(SessionSave& save);
    bool openPair(SessionSave& save);
    bool rowIsAsLeft(qint64 rowId, const QString& user, qint64 count, const SessionSave& save,
                     const RowMark& mark);

    Store& m_store;
    std::chrono::milliseconds m_lockWait;
    int m_skippedRows = 0;
};
