#pragma once

#include <QString>
#include <QtGlobal>

// The range of start dates a query covers, built from the year, month and day boxes.
class QueryRange {
public:
    // The day box's text after clamping it to its month: 31 becomes 30 in April, June,
    // September and November; 29 and above become 28 or 29 in February (every year divisible
    // by four is a leap year). Any other text stays. Throws QueryError when a February day is
    // not a number.
    static QString clampedDay(const QString& year, const QString& month, const QString& day);

    // The date as the number YYYYMMDD (2001, 6, 1 -> 20010601). Throws QueryError when the
    // three texts do not make a date.
    static qint64 bound(const QString& year, const QString& month, const QString& day);
};
