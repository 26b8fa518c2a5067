#include "meter/desktop/MinutesValidator.h"

namespace {

constexpr char16_t FullWidthZero = 0xFF10;
constexpr char16_t FullWidthNine = 0xFF19;
constexpr char16_t FullWidthFullStop = 0xFF0E;

QChar AsciiForm(QChar c) {
    if (c.unicode() >= FullWidthZero && c.unicode() <= FullWidthNine)
        return QChar(u'0' + (c.unicode() - FullWidthZero));
    if (c.unicode() == FullWidthFullStop)
        return QLatin1Char('.');
    return c;
}

bool Accepted(QChar c) {
    return c == QLatin1Char('.') || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}

} // namespace

QValidator::State MinutesValidator::validate(QString& input, int& pos) const {
    QString kept;
    kept.reserve(input.size());
    int cursor = 0;
    for (int i = 0; i < input.size(); ++i) {
        const QChar c = AsciiForm(input.at(i));
        if (!Accepted(c))
            continue;
        kept += c;
        if (i < pos)
            ++cursor;
    }
    input = kept;
    pos = cursor;
    return Acceptable;
}
