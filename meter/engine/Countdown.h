#pragma once

#include <QDateTime>

// Whole boundaries between two local wall-clock moments, as a calendar counts them: seconds,
// hours (9:59:59 to 10:00:00 is one) and days (midnights passed). Negative once `to` is past.
struct CountdownSpan {
    qint64 seconds = 0;
    qint64 hours = 0;
    qint64 days = 0;
};

CountdownSpan CountdownBetween(const QDateTime& from, const QDateTime& to);
