#include "statdesk/SessionSpan.h"

#include "common/TextConventions.h"
#include "statdesk/QueryError.h"

#include <QDateTime>

namespace {

std::optional<QDateTime> Moment(QStringView date, QStringView time) {
    const QDate day = QDate::fromString(date.toString(), QStringLiteral("yyyyMMdd"));
    const std::optional<QTime> clock = TimeFromText(time.toString());
    if (!day.isValid() || !clock)
        return std::nullopt;
    // Wall-clock span, as the dates were written; no daylight-saving shift.
    return QDateTime(day, *clock, Qt::UTC);
}

} // namespace

namespace SessionSpan {

std::optional<double> seconds(QStringView fromD, QStringView fromT, QStringView toD,
                              QStringView toT) {
    const std::optional<QDateTime> start = Moment(fromD, fromT);
    const std::optional<QDateTime> end = Moment(toD, toT);
    if (!start || !end)
        return std::nullopt;
    return double(start->secsTo(*end));
}

double orderKey(QStringView date, QStringView time) {
    const std::optional<QTime> clock = TimeFromText(time.toString());
    return NumberFromText(date.toString()) * 100000.0 +
           (clock ? clock->msecsSinceStartOfDay() / 1000 : -1);
}

double shownSeconds(double storedSeconds, const QString& fromD, const QString& fromT,
                    const QString& toD, const QString& toT) {
    if (storedSeconds > 0)
        return storedSeconds;
    const std::optional<double> span = seconds(fromD, fromT, toD, toT);
    if (!span)
        throw QueryError(QueryError::TypeMismatch,
                         QStringLiteral("类型不匹配：记录的起止时间无效（%1 %2 - %3 %4）")
                             .arg(fromD, fromT, toD, toT));
    return *span;
}

} // namespace SessionSpan
