#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// How typed holidays and rest days become list entries, and the entries a fresh list holds.
class DayEntryRules {
public:
    // A typed date as a holiday entry: "YYYY/MM/DD" when the text starts with its four-digit
    // year (one day of one year), else "M月D日" (that day every year). Nothing when the text
    // is no date; a form without a year is read in `currentYear`, so 2月29日 needs a leap year.
    static std::optional<QString> HolidayEntry(const QString& typed, int currentYear);

    // A typed weekday ("周日", "礼拜七", "7", "７", ...) as its rest-day entry ("星期日").
    // Blanks at the ends are ignored; anything outside the accepted texts gives nothing.
    static std::optional<QString> RestDayEntry(const QString& typed);

    static QStringList BuiltInHolidays();
    static QStringList BuiltInRestDays();
};
