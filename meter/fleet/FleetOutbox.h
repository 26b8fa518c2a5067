#pragma once

#include "common/fleet/FleetRecords.h"

#include <QList>

class Store;

// One pending outbox entry: the record as it goes to the server, and the Notes row it is.
struct FleetOutboxEntry {
    FleetSessionRecord record;
    qint64 notesRowId = 0;
    // Its Notes row is no longer there (only a write that bypassed the triggers leaves such an
    // entry): nothing to send, only to mark.
    bool gone = false;
};

// The Notes rows whose latest save the server has not answered for yet (see FleetLocalSchema).
// Every function throws StoreError when the store cannot run it.
class FleetOutbox {
public:
    explicit FleetOutbox(Store& store) : m_store(store) {}

    int pendingCount();
    // Up to `limit` pending entries, oldest upload key first, with the rows' present figures.
    QList<FleetOutboxEntry> pendingBatch(int limit);
    // The server has answered for these saves. A row saved again since it was read stays
    // pending; an answer never lowers what an earlier answer recorded.
    void markSent(const QList<FleetSessionRecord>& records);

private:
    Store& m_store;
};
