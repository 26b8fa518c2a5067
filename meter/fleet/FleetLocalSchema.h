#pragma once

#include <QString>

class Store;

// The meter's own tables for fleet mode, beside the shared ones in the same file: this PC's id
// and the outbox of Notes rows still to upload. Triggers on Notes keep the outbox in step with
// every write by any program, inside that write's own transaction, so no save can slip past it.
class FleetLocalSchema {
public:
    // Makes the tables, triggers and the PC id when they are missing, in one transaction; a
    // second call changes nothing. When the outbox is new, every Notes row already in the file
    // enters it, so a PC that joins the fleet uploads its history. Throws StoreError.
    static void ensure(Store& store);
    // Whether ensure() has run on this file.
    static bool exists(Store& store);
    // This PC's id; empty before ensure(). Throws StoreError when it cannot be read.
    static QString pcId(Store& store);
};
