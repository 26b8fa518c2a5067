#pragma once

#include "statdesk/SessionRow.h"

#include <QStringList>
#include <vector>

// What a query found: the sessions and the names their indexes point into.
struct SessionListing {
    std::vector<SessionRow> rows;
    QStringList users;
    // The PCs' names in fleet mode (SessionRow::pc); empty otherwise.
    QStringList pcs;
};
