#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// Holidays and make-up workdays read from an iCalendar (.ics) file: every day of its all-day
// events. An event is a make-up workday when one of its categories, or a word of its summary,
// says it is worked (WorkdayRuleText()); every other all-day event is a holiday.
class CalendarImport {
public:
    enum class Kind { Holiday, Workday };

    struct Day {
        QDate date;
        QString summary;
        Kind kind = Kind::Holiday;
        // Why the day is a holiday or a make-up workday, as the user reads it.
        QString rule;
        // The list already counts this day (set by MarkListed()).
        bool listed = false;
    };

    struct Result {
        // In date order, holidays before workdays on the same date, each date and kind once.
        QList<Day> days;
        // Events that are not all-day, or whose start cannot be read.
        int skippedEvents = 0;
        // The years over which recurring events were expanded; null when there were none.
        int firstYear = 0;
        int lastYear = 0;
        // Why nothing can be imported; empty when `days` holds the file's days.
        QString error;
    };

    // More days than this are refused: no real calendar of holidays comes near it.
    static constexpr int MaxDays = 2000;
    // Recurring events are expanded over at most this many years.
    static constexpr int MaxYears = 10;

    // Reads the file's bytes (UTF-8, or GBK when they are not valid UTF-8). Recurring events
    // (RRULE, RDATE, EXDATE) are expanded over the years the file's single all-day events fall
    // in, or over `currentYear` and the next when it has none; at most the last MaxYears.
    static Result Read(const QByteArray& ics, int currentYear);

    // How the days are sorted into holidays and make-up workdays, for the user.
    static QString WorkdayRuleText();

    // The list entry of a day: its full date, "2026/10/01".
    static QString Entry(QDate date);

    // Marks the days that their list counts already: the same full date, or an entry of the
    // same month and day every year. Such days are not added again.
    static void MarkListed(QList<Day>& days, const QStringList& holidays,
                           const QStringList& workdays);
};
