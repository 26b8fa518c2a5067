#include "statdesk/QueryRange.h"

#include "common/TextConventions.h"
#include "statdesk/QueryError.h"

#include <cmath>

QString QueryRange::clampedDay(const QString& year, const QString& month, const QString& day) {
    if (month == u"4" || month == u"6" || month == u"9" || month == u"11") {
        if (NumberFromText(day) > 30)
            return QStringLiteral("30");
        return day;
    }
    if (month == u"2") {
        bool isNumber = false;
        const double value = day.trimmed().toDouble(&isNumber);
        if (!isNumber || !std::isfinite(value))
            throw QueryError(QueryError::TypeMismatch,
                             QStringLiteral("类型不匹配：日“%1”不是数字").arg(day));
        if (value >= 29) {
            // nearbyint rounds halves to the even neighbour, as the year box was read before.
            const double wholeYear = std::nearbyint(NumberFromText(year));
            return std::fmod(wholeYear, 4.0) == 0 ? QStringLiteral("29") : QStringLiteral("28");
        }
    }
    return day;
}

qint64 QueryRange::bound(const QString& year, const QString& month, const QString& day) {
    const QString text = year + u'-' + month + u'-' + day;
    const std::optional<QDateTime> date = DateFromText(text);
    if (!date)
        throw QueryError(QueryError::DateMismatch,
                         QStringLiteral("条件中的日期无效：%1").arg(text));
    return FormatPattern(date->date(), QStringLiteral("YYYYMMDD")).toLongLong();
}
