#include "statdesk/SessionText.h"

#include "common/TextConventions.h"

#include <cmath>

QString SessionText::duration(double seconds) {
    return FormatSeconds(seconds);
}

QString SessionText::date(const QString& text) {
    return text.left(4) + u'年' + text.mid(4, 2) + u'月' + text.right(2) + u'日';
}

QString SessionText::fee(qint64 tenThousandths) {
    return feeNumber(tenThousandths) + QStringLiteral(" 元");
}

QString SessionText::feeNumber(qint64 tenThousandths) {
    const bool negative = tenThousandths < 0;
    // Unsigned so that the most negative value has a magnitude too.
    const quint64 magnitude =
        negative ? quint64(0) - quint64(tenThousandths) : quint64(tenThousandths);
    return (negative ? QStringLiteral("-") : QString()) + QString::number(magnitude / 10000) +
           u'.' + QString::number(magnitude % 10000).rightJustified(4, u'0');
}

QString SessionText::wholeSeconds(double seconds) {
    // The same cap and rounding as the duration text, so both columns always agree.
    if (!std::isfinite(seconds))
        seconds = 0;
    constexpr double kLimit = 1e15;
    seconds = std::fmax(-kLimit, std::fmin(kLimit, seconds));
    return QString::number(static_cast<long long>(std::nearbyint(seconds)));
}

QString SessionText::isoMoment(QStringView date, QStringView time) {
    // By hand rather than through QDate's format parser: an export reads every listed row.
    const auto digits = [&date](qsizetype from, qsizetype count) {
        int value = 0;
        for (qsizetype i = from; i < from + count; ++i) {
            const char16_t c = date[i].unicode();
            if (c < u'0' || c > u'9')
                return -1;
            value = value * 10 + (c - u'0');
        }
        return value;
    };
    const int year = date.size() == 8 ? digits(0, 4) : -1;
    const int month = year < 0 ? -1 : digits(4, 2);
    const int dayOfMonth = month < 0 ? -1 : digits(6, 2);
    const QDate day = dayOfMonth < 0 ? QDate() : QDate(year, month, dayOfMonth);
    const std::optional<QTime> clock = TimeFromText(time.toString());
    if (!day.isValid() || !clock)
        return date.toString() + u' ' + time.toString();
    const auto two = [](int n) { return QString::number(n).rightJustified(2, u'0'); };
    return date.left(4).toString() + u'-' + date.mid(4, 2).toString() + u'-' +
           date.mid(6, 2).toString() + u' ' + two(clock->hour()) + u':' + two(clock->minute()) +
           u':' + two(clock->second());
}

qint64 SessionText::feeUnits(double yuan) {
    if (!std::isfinite(yuan))
        return 0;
    // Far beyond any real fee; keeps the conversion defined.
    constexpr double kLimit = 9.0e14;
    return std::llround(std::fmax(-kLimit, std::fmin(kLimit, yuan)) * 10000.0);
}
