#pragma once

#include "statdesk/SessionGroup.h"

#include <QList>
#include <QPointF>
#include <vector>

// The chart's points: one per day or month that has sessions, at local midnight of its first
// day (milliseconds since the epoch), with the time in hours and the fee in yuan.
class UsageSeries {
public:
    UsageSeries(const std::vector<SessionGroup>& groups, GroupPeriod period);

    const QList<QPointF>& hours() const { return m_hours; }
    const QList<QPointF>& fees() const { return m_fees; }
    bool isEmpty() const { return m_hours.isEmpty(); }
    // The span of the x values, widened by half a period on each side so that no point sits on
    // the chart's edge.
    qint64 firstMs() const { return m_firstMs; }
    qint64 lastMs() const { return m_lastMs; }
    double maxHours() const { return m_maxHours; }
    double maxFee() const { return m_maxFee; }

private:
    QList<QPointF> m_hours;
    QList<QPointF> m_fees;
    qint64 m_firstMs = 0;
    qint64 m_lastMs = 0;
    double m_maxHours = 0;
    double m_maxFee = 0;
};
