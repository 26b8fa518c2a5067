#pragma once

#include <QtGlobal>

// How the listing is totalled: each session on its own, or per start day or start month.
enum class GroupPeriod { Day, Month };

// The sessions that started on one day (key YYYYMMDD) or in one month (key YYYYMM).
struct SessionGroup {
    qint64 key = 0;
    int sessions = 0;
    // The stored seconds, summed as the totals row sums them.
    double seconds = 0;
    // Ten-thousandths of a yuan.
    qint64 fee = 0;
};
