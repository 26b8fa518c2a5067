#include "statdesk/ChartScale.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace {

QDate Advance(QDate day, GroupPeriod period, int periods) {
    return period == GroupPeriod::Day ? day.addDays(periods) : day.addMonths(periods);
}

qint64 PeriodsBetween(QDate first, QDate last, GroupPeriod period) {
    if (period == GroupPeriod::Day)
        return first.daysTo(last);
    return qint64(last.year() - first.year()) * 12 + (last.month() - first.month());
}

} // namespace

QList<ChartScale::Tick> ChartScale::timeTicks(QDate first, QDate last, GroupPeriod period,
                                              int maxTicks) {
    QList<Tick> ticks;
    if (!first.isValid() || !last.isValid() || last < first || maxTicks < 1)
        return ticks;
    if (period == GroupPeriod::Month) {
        first = QDate(first.year(), first.month(), 1);
        last = QDate(last.year(), last.month(), 1);
    }
    const qint64 span = PeriodsBetween(first, last, period);
    const qint64 gaps = std::max(1, maxTicks - 1);
    const qint64 step = std::max<qint64>(1, (span + gaps - 1) / gaps);
    const QString format =
        period == GroupPeriod::Day ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("yyyy-MM");
    for (qint64 n = 0; n <= span; n += step) {
        const QDate day = Advance(first, period, int(n));
        ticks.append({day.startOfDay().toMSecsSinceEpoch(), day.toString(format)});
    }
    return ticks;
}

QString ChartScale::valueFormat(double max, int tickCount) {
    if (!(max > 0) || tickCount < 2)
        return QStringLiteral("%.0f");
    const double step = max / (tickCount - 1);
    int decimals = 0;
    for (double scaled = step; decimals < 4; ++decimals, scaled *= 10) {
        if (std::abs(scaled - std::round(scaled)) <= 1e-6 * scaled && scaled >= 1)
            break;
    }
    return QStringLiteral("%.%1f").arg(decimals);
}
