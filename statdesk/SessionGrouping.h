#pragma once

#include "statdesk/SessionGroup.h"
#include "statdesk/SessionRow.h"

#include <QDate>
#include <QString>
#include <vector>

// Totals of the listed sessions per start day or start month.
class SessionGrouping {
public:
    // One group per day or month that has a session, in calendar order. The start day is the
    // number at the head of FromD, as the query reads it.
    static std::vector<SessionGroup> group(const std::vector<SessionRow>& rows, GroupPeriod period);

    // The start day of a session as YYYYMMDD.
    static qint64 startDay(const SessionRow& row);

    // The first day of the group's day or month; invalid for a key that is no date.
    static QDate firstDay(qint64 key, GroupPeriod period);
    // "2026年03月01日" or "2026年03月".
    static QString label(qint64 key, GroupPeriod period);
    // ISO 8601: "2026-03-01" or "2026-03".
    static QString isoLabel(qint64 key, GroupPeriod period);
};
