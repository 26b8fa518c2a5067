#pragma once

#include "statdesk/SessionGroup.h"

#include <QDate>
#include <QList>
#include <QString>

// Where the chart's axes put their labels, so that no two labels read the same.
class ChartScale {
public:
    struct Tick {
        qint64 ms; // local midnight of the day or month's first day
        QString text;
    };

    // The period starts from `first` to `last` (both included), every so many periods so that
    // at most `maxTicks` remain; the step is a whole number of days or months, so each label
    // names its own day or month.
    static QList<Tick> timeTicks(QDate first, QDate last, GroupPeriod period, int maxTicks = 7);

    // A printf format for the labels of a value axis from 0 to `max` with `tickCount` ticks:
    // as many decimals as the step between ticks needs to be shown exactly (at most four).
    static QString valueFormat(double max, int tickCount);
};
