#include "common/TextConventions.h"

#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace {

bool IsAsciiDigit(char32_t c) {
    return c >= U'0' && c <= U'9';
}

// Full-width digits (as typed with a Chinese input method) count as ordinary ones.
QString WithAsciiDigits(const QString& text) {
    QString result = text;
    for (QChar& c : result) {
        if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19)
            c = QChar(u'0' + (c.unicode() - 0xFF10));
    }
    return result;
}

// Reads a run of `minDigits` to `maxDigits` ASCII digits at `pos`; advances `pos` on success.
bool ReadNumber(const QString& text, qsizetype& pos, int minDigits, int maxDigits, int& value) {
    qsizetype end = pos;
    while (end < text.size() && end - pos < maxDigits && IsAsciiDigit(text[end].unicode()))
        ++end;
    // A longer run of digits than allowed is not this field.
    if (end < text.size() && IsAsciiDigit(text[end].unicode()))
        return false;
    if (end - pos < minDigits)
        return false;
    value = text.mid(pos, end - pos).toInt();
    pos = end;
    return true;
}

bool ReadChar(const QString& text, qsizetype& pos, QChar expected) {
    if (pos < text.size() && text[pos] == expected) {
        ++pos;
        return true;
    }
    return false;
}

// "H:MM" or "H:MM:SS" starting at `pos` and running to the end of the text. Minutes and seconds
// may also have a single digit: "8:5" is a time, as the old date reader took it.
std::optional<QTime> ReadTimeToEnd(const QString& text, qsizetype pos) {
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!ReadNumber(text, pos, 1, 2, hour) || !ReadChar(text, pos, u':') ||
        !ReadNumber(text, pos, 1, 2, minute))
        return std::nullopt;
    if (ReadChar(text, pos, u':') && !ReadNumber(text, pos, 1, 2, second))
        return std::nullopt;
    if (pos != text.size() || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    return QTime(hour, minute, second);
}

// Year (optional), month and day in one of the accepted styles, from the start of the text.
// On success `pos` stands just behind the day.
bool ReadDate(const QString& text, int currentYear, qsizetype& pos, QDate& date) {
    int year = currentYear;
    int month = 0;
    int day = 0;
    qsizetype p = 0;
    int first = 0;
    // The first field is a four-digit year or a month of one or two digits.
    qsizetype start = p;
    while (p < text.size() && IsAsciiDigit(text[p].unicode()))
        ++p;
    const qsizetype firstDigits = p - start;
    if (firstDigits == 0 || firstDigits > 4 || firstDigits == 3)
        return false;
    first = text.mid(start, firstDigits).toInt();
    if (p >= text.size())
        return false;
    const QChar separator = text[p];
    if (firstDigits == 4) {
        year = first;
        if (separator == u'/' || separator == u'-') {
            ++p;
            if (!ReadNumber(text, p, 1, 2, month) || !ReadChar(text, p, separator) ||
                !ReadNumber(text, p, 1, 2, day))
                return false;
        } else if (separator == u'年') {
            ++p;
            if (!ReadNumber(text, p, 1, 2, month) || !ReadChar(text, p, u'月') ||
                !ReadNumber(text, p, 1, 2, day) || !ReadChar(text, p, u'日'))
                return false;
        } else {
            return false;
        }
    } else {
        month = first;
        ++p;
        if (separator == u'/' || separator == u'-') {
            if (!ReadNumber(text, p, 1, 2, day))
                return false;
        } else if (separator == u'月') {
            if (!ReadNumber(text, p, 1, 2, day) || !ReadChar(text, p, u'日'))
                return false;
        } else {
            return false;
        }
    }
    // QDate refuses impossible days such as 2月30日 or 29 February outside leap years.
    if (!QDate::isValid(year, month, day))
        return false;
    date = QDate(year, month, day);
    pos = p;
    return true;
}

QString Padded(int value, int width) {
    return QString::number(value).rightJustified(width, u'0');
}

QString FormatParts(const QDate& date, const QTime& time, const QString& pattern) {
    QString result;
    // Whether the previous token was an hour, or an hour and one ":", so that M means minutes.
    bool afterHour = false;
    bool afterHourColon = false;
    qsizetype i = 0;
    const auto runLength = [&](QChar c, qsizetype maxRun) {
        qsizetype n = 0;
        while (i + n < pattern.size() && n < maxRun && pattern[i + n] == c)
            ++n;
        return n;
    };
    while (i < pattern.size()) {
        const QChar c = pattern[i];
        bool isHour = false;
        bool keepColonState = false;
        if (c == u'Y' && runLength(u'Y', 4) == 4) {
            result += Padded(date.year(), 4);
            i += 4;
        } else if (c == u'M') {
            const qsizetype n = runLength(u'M', 2);
            const int value = (afterHour || afterHourColon) ? time.minute() : date.month();
            result += n == 2 ? Padded(value, 2) : QString::number(value);
            i += n;
        } else if (c == u'D') {
            const qsizetype n = runLength(u'D', 2);
            result += n == 2 ? Padded(date.day(), 2) : QString::number(date.day());
            i += n;
        } else if (c == u'H') {
            const qsizetype n = runLength(u'H', 2);
            result += n == 2 ? Padded(time.hour(), 2) : QString::number(time.hour());
            i += n;
            isHour = true;
        } else if (c == u'S') {
            // SS is the only seconds token in use; a lone S writes the seconds unpadded, in
            // keeping with M, D and H.
            const qsizetype n = runLength(u'S', 2);
            result += n == 2 ? Padded(time.second(), 2) : QString::number(time.second());
            i += n;
        } else {
            result += c;
            ++i;
            keepColonState = c == u':' && afterHour;
        }
        afterHourColon = keepColonState;
        afterHour = isHour;
    }
    return result;
}

// The local date and time. A wall-clock time that a daylight-saving change skips does not exist
// (in some zones that is midnight, so a plain date is hit too); it reads as the same moment
// counted in the offset before the change, which the clock shows just after the gap.
QDateTime LocalDateTime(const QDate& date, const QTime& time) {
    const QDateTime local(date, time);
    if (local.isValid())
        return local;
    const int offsetBefore = QDateTime(date.addDays(-1), QTime(12, 0)).offsetFromUtc();
    return QDateTime(date, time, Qt::UTC).addSecs(-offsetBefore).toLocalTime();
}

// VB's zero date, taken for the date tokens when only a time of day is known.
const QDate kZeroDate(1899, 12, 30);

} // namespace

qsizetype CharacterCount(QStringView text) {
    // A well-formed surrogate pair is one character; an unpaired surrogate is written to the
    // store as a single "?", so it counts once too.
    qsizetype count = text.size();
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i].isHighSurrogate() && text[i + 1].isLowSurrogate()) {
            --count;
            ++i;
        }
    }
    return count;
}

double NumberFromText(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    std::string number;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            number += '-';
        ++i;
    }
    const auto takeDigits = [&] {
        qsizetype n = 0;
        while (i < text.size() && IsAsciiDigit(text[i].unicode())) {
            number += char(text[i].unicode());
            ++i;
            ++n;
        }
        return n;
    };
    qsizetype digits = takeDigits();
    if (i < text.size() && text[i] == u'.') {
        number += '.';
        ++i;
        digits += takeDigits();
    }
    if (digits == 0)
        return 0;
    // An exponent counts only when at least one digit follows the "e" and its sign.
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        if (j < text.size() && IsAsciiDigit(text[j].unicode())) {
            number += 'e';
            if (text[j - 1] == u'-')
                number += '-';
            i = j;
            takeDigits();
        }
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    // A number too large for a double reads as no number rather than as infinity, which would
    // poison every sum it enters; a too small one reads as 0 either way.
    if (error != std::errc() || !std::isfinite(value))
        return 0;
    return value;
}

QString NumberToText(double number) {
    if (number == 0)
        return QStringLiteral("0"); // never "-0"
    // The shortest of 15 significant digits: 0.1 + 0.2 gives 0.3, not 0.30000000000000004.
    // Exponent form only outside 1e-5 .. 1e15, like printf's %g.
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::general, 15);
    return QString::fromLatin1(buffer, result.ptr - buffer);
}

QString FixedDecimalText(double number, int decimals) {
    if (!std::isfinite(number))
        return NumberToText(number);
    if (decimals < 0)
        decimals = 0;
    // Round the decimal value the number shows with 15 significant digits, not its binary
    // value: 2.675 is stored a little below 2.675 yet reads as 2.675, so it gives 2.68, as the
    // old system's number format did.
    char buffer[64];
    const auto converted = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(number),
                                         std::chars_format::scientific, 14);
    const std::string text(buffer, converted.ptr);
    // text is "d.ddddddddddddddde[+-]xx": 15 digits and a decimal exponent.
    const std::size_t ePos = text.find('e');
    std::string digits = text.substr(0, 1) + text.substr(2, ePos - 2);
    const int exponent = std::stoi(text.substr(ePos + 1));
    // The number is 0.digits * 10^(exponent + 1); keep the digits down to 10^-decimals.
    const long long keep = static_cast<long long>(exponent) + 1 + decimals;
    std::string whole; // the result times 10^decimals, as decimal digits
    if (keep < 0) {
        whole = "0";
    } else if (keep >= static_cast<long long>(digits.size())) {
        whole = digits + std::string(keep - digits.size(), '0');
    } else {
        whole = digits.substr(0, keep);
        if (digits[keep] >= '5') {
            // Halves go away from zero: add one to the kept digits.
            int k = static_cast<int>(whole.size()) - 1;
            while (k >= 0 && whole[k] == '9')
                whole[k--] = '0';
            if (k >= 0)
                ++whole[k];
            else
                whole.insert(whole.begin(), '1');
        }
        if (whole.empty())
            whole = "0";
    }
    const std::size_t firstNonZero = whole.find_first_not_of('0');
    const bool isZero = firstNonZero == std::string::npos;
    whole = isZero ? std::string("0") : whole.substr(firstNonZero);
    if (whole.size() < static_cast<std::size_t>(decimals) + 1)
        whole.insert(0, decimals + 1 - whole.size(), '0');
    if (decimals > 0)
        whole.insert(whole.size() - decimals, 1, '.');
    // A value that rounds to zero is written without a minus sign.
    if (number < 0 && !isZero)
        whole.insert(0, 1, '-');
    return QString::fromLatin1(whole.data(), static_cast<qsizetype>(whole.size()));
}

std::optional<QDateTime> DateFromText(const QString& text, int currentYear) {
    const QString normal = WithAsciiDigits(text.trimmed());
    QDate date;
    qsizetype pos = 0;
    if (!ReadDate(normal, currentYear, pos, date))
        return std::nullopt;
    QTime time(0, 0, 0);
    if (pos < normal.size()) {
        // Blanks between date and time; a doubled blank is forgiven.
        const qsizetype blanks = pos;
        while (pos < normal.size() && (normal[pos] == u' ' || normal[pos] == u'\t'))
            ++pos;
        if (pos == blanks)
            return std::nullopt;
        const std::optional<QTime> read = ReadTimeToEnd(normal, pos);
        if (!read)
            return std::nullopt;
        time = *read;
    }
    // Local time, so that it compares correctly with the current date and time.
    return LocalDateTime(date, time);
}

bool IsDateText(const QString& text, int currentYear) {
    return DateFromText(text, currentYear).has_value();
}

std::optional<QTime> TimeFromText(const QString& text) {
    return ReadTimeToEnd(WithAsciiDigits(text.trimmed()), 0);
}

QString FormatPattern(const QDateTime& value, const QString& pattern) {
    if (!value.isValid())
        return QString();
    return FormatParts(value.date(), value.time(), pattern);
}

QString FormatPattern(const QDate& value, const QString& pattern) {
    if (!value.isValid())
        return QString();
    return FormatParts(value, QTime(0, 0, 0), pattern);
}

QString FormatPattern(const QTime& value, const QString& pattern) {
    if (!value.isValid())
        return QString();
    return FormatParts(kZeroDate, value, pattern);
}

QString FormatPattern(const QString& value, const QString& pattern, int currentYear) {
    if (const std::optional<QDateTime> date = DateFromText(value, currentYear))
        return FormatParts(date->date(), date->time(), pattern);
    if (const std::optional<QTime> time = TimeFromText(value))
        return FormatParts(kZeroDate, *time, pattern);
    return value;
}

QString FormatSeconds(double seconds) {
    // Callers pass non-negative seconds; anything else must not crash. Not a number counts as
    // 0, a negative value is written with a leading "-", and magnitudes beyond any real span are
    // capped so the whole-number conversion stays defined.
    if (!std::isfinite(seconds))
        seconds = 0;
    constexpr double kLimit = 1e15;
    seconds = std::fmax(-kLimit, std::fmin(kLimit, seconds));
    // nearbyint under the default rounding mode sends halves to the even neighbour.
    const long long rounded = static_cast<long long>(std::nearbyint(seconds));
    const long long n = rounded < 0 ? -rounded : rounded;
    const long long hours = n / 3600;
    const int minutes = static_cast<int>(n % 3600 / 60);
    const int secs = static_cast<int>(n % 60);
    return (rounded < 0 ? QStringLiteral("-") : QString()) + QString::number(hours) + u':' +
           Padded(minutes, 2) + u':' + Padded(secs, 2);
}

QString FormatSeconds(const QString& seconds) {
    return FormatSeconds(NumberFromText(seconds));
}
