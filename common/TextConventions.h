#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTime>
#include <optional>

// How every program turns numbers, dates and times into text and back.

// The length of a text in characters (code points), as people and the store's column limits
// count them: a character outside the Basic Multilingual Plane counts once, not as two UTF-16
// units. Every length check of the programs uses this.
qsizetype CharacterCount(QStringView text);

// The number at the start of the text: leading blanks skipped, reading stops at the first
// character that cannot continue a decimal number; 0 when there is none ("6.2元/时" -> 6.2).
double NumberFromText(const QString& text);

// Plain decimal text, up to 15 significant digits, no grouping, no trailing zeros (6.2, 60, 1800).
QString NumberToText(double number);

// The number rounded to `decimals` places, halves away from zero, with a leading "0" below 1
// and no grouping (0.50, 12.30, -3).
QString FixedDecimalText(double number, int decimals);

// The date (and time) a text denotes: year-month-day with "/" or "-" (four-digit year first),
// or with 年/月/日; month and day alone in those styles (taking `currentYear`); optionally a
// blank and "H:MM" or "H:MM:SS". Full-width digits read as ordinary ones. Impossible days are
// not dates.
std::optional<QDateTime> DateFromText(const QString& text,
                                      int currentYear = QDate::currentDate().year());
bool IsDateText(const QString& text, int currentYear = QDate::currentDate().year());

// A time of day "H:MM" or "H:MM:SS" (hours 0..23).
std::optional<QTime> TimeFromText(const QString& text);

// Writes a date or time by a pattern of YYYY, M/MM (month, or minutes right after H/HH),
// D/DD, H/HH, SS; "/", ":" and every other character are copied.
QString FormatPattern(const QDateTime& value, const QString& pattern);
QString FormatPattern(const QDate& value, const QString& pattern);
QString FormatPattern(const QTime& value, const QString& pattern);
// A text is read as a date (DateFromText) or as a time of day first; a text that reads as
// neither comes back unchanged.
QString FormatPattern(const QString& value, const QString& pattern,
                      int currentYear = QDate::currentDate().year());

// "H:MM:SS" with unlimited hours, from seconds rounded to the nearest whole (halves to even).
QString FormatSeconds(double seconds);
QString FormatSeconds(const QString& seconds);
