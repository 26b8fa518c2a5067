#include "statdesk/UsageSeries.h"

#include "statdesk/SessionGrouping.h"

#include <QDateTime>
#include <algorithm>

UsageSeries::UsageSeries(const std::vector<SessionGroup>& groups, GroupPeriod period) {
    std::vector<const SessionGroup*> ordered;
    ordered.reserve(groups.size());
    for (const SessionGroup& group : groups)
        ordered.push_back(&group);
    std::sort(ordered.begin(), ordered.end(),
              [](const SessionGroup* a, const SessionGroup* b) { return a->key < b->key; });
    m_hours.reserve(qsizetype(ordered.size()));
    m_fees.reserve(qsizetype(ordered.size()));
    for (const SessionGroup* group : ordered) {
        const QDate day = SessionGrouping::firstDay(group->key, period);
        // A start day that is no date (a damaged record) has no place on a time axis.
        if (!day.isValid())
            continue;
        const double x = double(day.startOfDay().toMSecsSinceEpoch());
        const double hours = group->seconds / 3600.0;
        const double fee = double(group->fee) / 10000.0;
        m_hours.append(QPointF(x, hours));
        m_fees.append(QPointF(x, fee));
        m_maxHours = std::max(m_maxHours, hours);
        m_maxFee = std::max(m_maxFee, fee);
    }
    if (m_hours.isEmpty())
        return;
    const qint64 halfPeriod = (period == GroupPeriod::Day ? 1LL : 31LL) * 12 * 3600 * 1000;
    m_firstMs = qint64(m_hours.constFirst().x()) - halfPeriod;
    m_lastMs = qint64(m_hours.constLast().x()) + halfPeriod;
}
