#pragma once

#include <QString>
#include <QtGlobal>
#include <limits>

// One listed session, kept small so that a hundred thousand of them stay cheap: the user and
// the PC are indexes into the listing's names, the four date and time texts share one string,
// and the fee is a whole number of ten-thousandths, as the MONEY column keeps it.
struct SessionRow {
    static constexpr qint64 NoCount = std::numeric_limits<qint64>::min();
    static constexpr QChar Separator = u'\x1f';

    qint64 rowId = 0;
    qint64 count = NoCount;
    // ThisTm as stored, added to the totals.
    double seconds = 0;
    // The duration shown: ThisTm, or the span from start to end when ThisTm is not positive.
    double shownSeconds = 0;
    qint64 fee = 0;
    int user = 0;
    // The PC that recorded it, in fleet mode; 0 (this PC) otherwise.
    int pc = 0;
    // Place in the listing as the query returned it.
    int order = 0;
    // FromD, FromT, ToD and ToT joined by Separator.
    QString times;
};

static_assert(sizeof(SessionRow) <= 80, "a listed session stays small");
