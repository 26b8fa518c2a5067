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
    const bool negative = tenThousandths < 0;
    // Unsigned so that the most negative value has a magnitude too.
    const quint64 magnitude =
        negative ? quint64(0) - quint64(tenThousandths) : quint64(tenThousandths);
    return (negative ? QStringLiteral("-") : QString()) + QString::number(magnitude / 10000) +
           u'.' + QString::number(magnitude % 10000).rightJustified(4, u'0') +
           QStringLiteral(" 元");
}

qint64 SessionText::feeUnits(double yuan) {
    if (!std::isfinite(yuan))
        return 0;
    // Far beyond any real fee; keeps the conversion defined.
    constexpr double kLimit = 9.0e14;
    return std::llround(std::fmax(-kLimit, std::fmin(kLimit, yuan)) * 10000.0);
}
