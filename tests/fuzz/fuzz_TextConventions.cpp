// Fuzzes the text conventions. An input is a text, optionally followed by "|" and a pattern of
// its own; the same bytes are also read as UTF-16 and as a raw double. Each input runs in one of
// three local time zones.

#include "common/TextConventions.h"
#include "tests/fuzz/FuzzRequire.h"
#include "tests/fuzz/FuzzTimeZones.h"

#include <QHash>
#include <QRegularExpression>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace {

const QStringList& PatternsInUse() {
    static const QStringList patterns = {QStringLiteral("YYYY/MM/DD"),
                                         QStringLiteral("M月D日"),
                                         QStringLiteral("YYYY年M月D日"),
                                         QStringLiteral("YYYYMMDD"),
                                         QStringLiteral("YYYY年MM月DD日"),
                                         QStringLiteral("H:MM:SS"),
                                         QStringLiteral("HH:MM:SS"),
                                         QStringLiteral("HH:MM"),
                                         QStringLiteral("HMM"),
                                         QStringLiteral("YYYY年M月D日 H:MM:SS")};
    return patterns;
}

// A year with 29 February and one without.
constexpr int kYears[] = {2024, 2023};

// Each input is read in one of the years and formatted with one of the patterns (and runs in
// one of the time zones), chosen by its content: every input costs little, and the inputs
// between them cover every choice.
struct Choice {
    int year;
    QString pattern;
};

// Plain decimal text: digits, at most one ".", no trailing zeros after it, and at most 15
// significant digits. Beyond 1e15 and below 1e-5 the exponent form is allowed.
bool IsWrittenNumber(const QString& text) {
    static const QRegularExpression shape(
        QStringLiteral("^-?([0-9]+)(?:\\.([0-9]*[1-9]))?(?:e[+-][0-9]+)?$"));
    const QRegularExpressionMatch match = shape.match(text);
    if (!match.hasMatch() || text == QStringLiteral("-0"))
        return false;
    QString digits = match.captured(1) + match.captured(2);
    while (digits.startsWith(u'0'))
        digits.remove(0, 1);
    while (digits.endsWith(u'0'))
        digits.chop(1);
    return digits.size() <= 15;
}

// Numbers that round to a 15-digit text beyond the largest double cannot read back; no price,
// count or span comes near them.
constexpr double kLargestChecked = 1e300;

void CheckWrittenNumber(double number, const QString& detail) {
    const QString written = NumberToText(number);
    FuzzRequire(IsWrittenNumber(written), "NumberToText writes plain decimal text",
                detail + QStringLiteral(" -> ") + written);
    if (std::fabs(number) >= kLargestChecked)
        return;
    const double read = NumberFromText(written);
    FuzzRequire(std::fabs(read - number) <= std::fabs(number) * 1e-14,
                "NumberToText keeps 15 significant digits",
                detail + QStringLiteral(" -> ") + written);
    FuzzRequire(NumberToText(read) == written, "a written number is written again as itself",
                detail + QStringLiteral(" -> ") + written);
}

void CheckFixedDecimals(double number, const QString& detail) {
    if (!std::isfinite(number))
        return;
    static const QRegularExpression shapes[] = {
        QRegularExpression(QStringLiteral("^-?[0-9]+$")),
        QRegularExpression(QStringLiteral("^-?[0-9]+\\.[0-9]{2}$")),
        QRegularExpression(QStringLiteral("^-?[0-9]+\\.[0-9]{4}$"))};
    for (int i = 0; i < 3; ++i) {
        const int decimals = i * 2;
        const QString written = FixedDecimalText(number, decimals);
        FuzzRequire(shapes[i].match(written).hasMatch(),
                    "FixedDecimalText writes exactly its decimals",
                    detail + QStringLiteral(" -> ") + written);
        if (std::fabs(number) < 1e15) {
            const double error = std::fabs(NumberFromText(written) - number);
            FuzzRequire(error <= 0.5 * std::pow(10.0, -decimals) + std::fabs(number) * 1e-14,
                        "FixedDecimalText rounds to the nearest",
                        detail + QStringLiteral(" -> ") + written);
        }
    }
}

void CheckSeconds(double seconds, const QString& detail) {
    static const QRegularExpression shape(
        QStringLiteral("^(-?)([0-9]+):([0-5][0-9]):([0-5][0-9])$"));
    const QString written = FormatSeconds(seconds);
    const QRegularExpressionMatch match = shape.match(written);
    FuzzRequire(match.hasMatch(), "FormatSeconds writes H:MM:SS",
                detail + QStringLiteral(" -> ") + written);
    if (std::isfinite(seconds) && seconds >= 0 && seconds < 1e15) {
        FuzzRequire(match.captured(1).isEmpty(), "FormatSeconds of a span has no sign", written);
        const double total = match.captured(2).toDouble() * 3600 + match.captured(3).toInt() * 60 +
                             match.captured(4).toInt();
        FuzzRequire(std::fabs(total - seconds) <= 0.5, "FormatSeconds rounds to the nearest second",
                    detail + QStringLiteral(" -> ") + written);
    }
}

void CheckNumbers(const QString& text) {
    const double number = NumberFromText(text);
    FuzzRequire(std::isfinite(number), "NumberFromText gives a finite number", text);
    FuzzRequire(NumberFromText(text + QStringLiteral("元/时")) == number,
                "reading stops at a character that cannot continue a number", text);
    FuzzRequire(NumberFromText(QStringLiteral("  ") + text) == number, "leading blanks are skipped",
                text);
    CheckWrittenNumber(number, text);
    CheckFixedDecimals(number, text);
    CheckSeconds(number, text);
}

void CheckDates(const QString& text, const Choice& choice) {
    const int year = choice.year;
    const std::optional<QDateTime> date = DateFromText(text, year);
    FuzzRequire(IsDateText(text, year) == date.has_value(), "IsDateText agrees with DateFromText",
                text);
    const std::optional<QTime> time = TimeFromText(text);
    if (date) {
        FuzzRequire(date->isValid(), "DateFromText gives a valid date", text);
        const QDate day = date->date();
        // Every stored form reads back as the day (and time) it was written from. Where the
        // clocks skip midnight, a date alone reads as the moment after the gap.
        const auto readsAs = [&](const QString& pattern, int readYear,
                                 const std::optional<QTime>& wantTime) {
            const QString written = FormatPattern(*date, pattern);
            const std::optional<QDateTime> read = DateFromText(written, readYear);
            FuzzRequire(read && read->isValid() && read->date() == day &&
                            (!wantTime || read->time() == *wantTime),
                        "a written date reads back as itself",
                        text + QStringLiteral(" -> ") + written);
        };
        readsAs(QStringLiteral("YYYY/MM/DD"), year, std::nullopt);
        readsAs(QStringLiteral("YYYY年MM月DD日"), year, std::nullopt);
        readsAs(QStringLiteral("YYYY年M月D日"), year, std::nullopt);
        readsAs(QStringLiteral("M月D日"), day.year(), std::nullopt);
        readsAs(QStringLiteral("YYYY年M月D日 H:MM:SS"), year, date->time());
        FuzzRequire(TimeFromText(FormatPattern(*date, QStringLiteral("HH:MM:SS"))) == date->time(),
                    "a written time reads back as itself", text);
        FuzzRequire(FormatPattern(text, choice.pattern, year) ==
                        FormatPattern(*date, choice.pattern),
                    "a date text is formatted as its date", text + u' ' + choice.pattern);
    } else if (time) {
        FuzzRequire(TimeFromText(FormatPattern(*time, QStringLiteral("H:MM:SS"))) == time,
                    "a written time reads back as itself", text);
        FuzzRequire(FormatPattern(text, choice.pattern, year) ==
                        FormatPattern(*time, choice.pattern),
                    "a time text is formatted as its time", text + u' ' + choice.pattern);
    } else {
        FuzzRequire(FormatPattern(text, choice.pattern, year) == text,
                    "a text that is no date or time comes back unchanged",
                    text + u' ' + choice.pattern);
    }
}

void CheckPattern(const QString& text, const QString& pattern, int year) {
    static const QRegularExpression tokens(QStringLiteral("[YMDHS]"));
    const QDateTime moment(QDate(2001, 3, 8), QTime(9, 5, 3));
    const QString written = FormatPattern(moment, pattern);
    if (!pattern.contains(tokens))
        FuzzRequire(written == pattern, "characters that are no token are copied", pattern);
    FormatPattern(text, pattern, year);
}

void CheckText(const QString& text, const Choice& choice) {
    FuzzRequire(CharacterCount(text) == text.toUcs4().size(), "CharacterCount counts code points",
                text);
    CheckNumbers(text);
    CheckDates(text, choice);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype bar = bytes.indexOf('|');
    const size_t hash = qHash(bytes);
    const Choice choice{kYears[hash % 2], PatternsInUse().at((hash / 2) % PatternsInUse().size())};
    UseLocalZone(hash / 20);
    const QString text = QString::fromUtf8(bar < 0 ? bytes : bytes.left(bar));
    CheckText(text, choice);
    CheckPattern(text, bar < 0 ? text : QString::fromUtf8(bytes.mid(bar + 1)), choice.year);

    // The same bytes as UTF-16: unpaired surrogates and full-width digits in any position.
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), data, units.size() * sizeof(char16_t));
    CheckText(QString::fromStdU16String(units), choice);

    // The first eight bytes as a double: every value the engine can hand over, subnormal ones
    // aside (they read back as 0, which is the nearest a 15-digit text can say).
    if (size >= sizeof(double)) {
        double raw = 0;
        std::memcpy(&raw, data, sizeof raw);
        const QString detail = QString::number(raw, 'g', 17);
        if (std::isfinite(raw) && std::fpclassify(raw) != FP_SUBNORMAL)
            CheckWrittenNumber(raw, detail);
        CheckFixedDecimals(raw, detail);
        CheckSeconds(raw, detail);
    }
    return 0;
}
