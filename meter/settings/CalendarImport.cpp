#include "meter/settings/CalendarImport.h"

#include "common/TextConventions.h"

#include <QMap>
#include <QPair>
#include <QStringConverter>
#include <algorithm>
#include <libical/ical.h>
#include <memory>
#include <optional>

namespace {

using Kind = CalendarImport::Kind;
using Day = CalendarImport::Day;

// Categories that mark an event as a day worked, compared without letter case.
const QStringList kWorkdayCategories = {QStringLiteral("补班"),        QStringLiteral("上班"),
                                        QStringLiteral("班"),          QStringLiteral("调休上班"),
                                        QStringLiteral("工作日"),      QStringLiteral("workday"),
                                        QStringLiteral("working day"), QStringLiteral("work day")};
// A summary holding this marks a worked day: "国庆节补班", "调休上班", "班".
const QString kWorkdayWord = QStringLiteral("班");

// Stepping through a recurrence stops here even when the rule never ends.
constexpr int kMaxRecurrenceSteps = 100000;

struct ComponentDeleter {
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentDeleter>;

// The parser takes UTF-8; calendars saved by older Chinese programs may be GBK.
QByteArray AsUtf8(QByteArray bytes) {
    static const QByteArray bom("\xEF\xBB\xBF");
    if (bytes.startsWith(bom))
        bytes.remove(0, bom.size());
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(bytes); // decodes only when turned into a QString
    if (!utf8.hasError())
        return bytes;
    QStringDecoder gbk("GBK");
    return gbk.isValid() ? QString(gbk.decode(bytes)).toUtf8() : bytes;
}

std::optional<QDate> DateOf(const icaltimetype& time) {
    if (icaltime_is_null_time(time) || !time.is_date)
        return std::nullopt;
    const QDate date(time.year, time.month, time.day);
    return date.isValid() ? std::optional(date) : std::nullopt;
}

// One all-day event of the file, as far as the import needs it.
struct Event {
    icalcomponent* component;
    QDate start;
    int length; // in days, at least 1
    QString summary;
    Kind kind;
    QString rule;
    bool recurring;
};

QPair<Kind, QString> Classify(icalcomponent* event, const QString& summary) {
    for (icalproperty* p = icalcomponent_get_first_property(event, ICAL_CATEGORIES_PROPERTY); p;
         p = icalcomponent_get_next_property(event, ICAL_CATEGORIES_PROPERTY)) {
        const QStringList categories =
            QString::fromUtf8(icalproperty_get_categories(p)).split(QLatin1Char(','));
        for (const QString& category : categories) {
            if (kWorkdayCategories.contains(category.trimmed(), Qt::CaseInsensitive))
                return {Kind::Workday, QStringLiteral("类别“%1”").arg(category.trimmed())};
        }
    }
    if (summary.contains(kWorkdayWord))
        return {Kind::Workday, QStringLiteral("名称含“%1”").arg(kWorkdayWord)};
    return {Kind::Holiday, QStringLiteral("全天事件")};
}

std::optional<Event> AllDayEvent(icalcomponent* component) {
    const std::optional<QDate> start = DateOf(icalcomponent_get_dtstart(component));
    if (!start)
        return std::nullopt;
    // Without an end the event lasts its one day; the end date itself is not part of it.
    const std::optional<QDate> end = DateOf(icalcomponent_get_dtend(component));
    const qint64 length = end ? start->daysTo(*end) : 1;
    const char* summaryText = icalcomponent_get_summary(component);
    const QString summary = QString::fromUtf8(summaryText ? summaryText : "").trimmed();
    const auto [kind, rule] = Classify(component, summary);
    const bool recurring = icalcomponent_get_first_property(component, ICAL_RRULE_PROPERTY) ||
                           icalcomponent_get_first_property(component, ICAL_RDATE_PROPERTY);
    return Event{component, *start, int(std::clamp<qint64>(length, 1, CalendarImport::MaxDays + 1)),
                 summary,   kind,   rule,
                 recurring};
}

// The start dates of a recurring event from `from` to `to`: its rule's, its extra dates, less
// its exceptions.
QList<QDate> Occurrences(const Event& event, QDate from, QDate to) {
    QList<QDate> excluded;
    for (icalproperty* p = icalcomponent_get_first_property(event.component, ICAL_EXDATE_PROPERTY);
         p; p = icalcomponent_get_next_property(event.component, ICAL_EXDATE_PROPERTY)) {
        const icaltimetype time = icalproperty_get_exdate(p);
        if (!icaltime_is_null_time(time))
            excluded.append(QDate(time.year, time.month, time.day));
    }

    QList<QDate> starts;
    const auto take = [&](QDate date) {
        if (date.isValid() && date >= from && date <= to && !excluded.contains(date) &&
            !starts.contains(date))
            starts.append(date);
    };

    icalproperty* rrule = icalcomponent_get_first_property(event.component, ICAL_RRULE_PROPERTY);
    if (!rrule) {
        take(event.start); // the event's own date, besides its extra ones
    } else {
        const icalrecurrencetype rule = icalproperty_get_rrule(rrule);
        icalrecur_iterator* steps =
            icalrecur_iterator_new(rule, icalcomponent_get_dtstart(event.component));
        if (steps) {
            int count = 0;
            for (icaltimetype next = icalrecur_iterator_next(steps);
                 !icaltime_is_null_time(next) && count < kMaxRecurrenceSteps;
                 next = icalrecur_iterator_next(steps), ++count) {
                const QDate date(next.year, next.month, next.day);
                if (!date.isValid() || date > to)
                    break;
                take(date);
            }
            icalrecur_iterator_free(steps);
        }
    }
    for (icalproperty* p = icalcomponent_get_first_property(event.component, ICAL_RDATE_PROPERTY);
         p; p = icalcomponent_get_next_property(event.component, ICAL_RDATE_PROPERTY)) {
        const icaldatetimeperiodtype extra = icalproperty_get_rdate(p);
        if (const std::optional<QDate> date = DateOf(extra.time))
            take(*date);
    }
    return starts;
}

QList<icalcomponent*> Calendars(icalcomponent* root) {
    if (!root)
        return {};
    if (icalcomponent_isa(root) == ICAL_VCALENDAR_COMPONENT)
        return {root};
    QList<icalcomponent*> calendars;
    // Several calendars in one file come under a root of their own.
    if (icalcomponent_isa(root) == ICAL_XROOT_COMPONENT) {
        for (icalcomponent* c = icalcomponent_get_first_component(root, ICAL_VCALENDAR_COMPONENT);
             c; c = icalcomponent_get_next_component(root, ICAL_VCALENDAR_COMPONENT))
            calendars.append(c);
    }
    return calendars;
}

} // namespace

CalendarImport::Result CalendarImport::Read(const QByteArray& ics, int currentYear) {
    Result result;
    // Some builds make parse errors abort; a bad file must only be refused.
    icalerror_set_errors_are_fatal(0);
    const QByteArray text = AsUtf8(ics);
    const Component root(icalparser_parse_string(text.constData()));
    const QList<icalcomponent*> calendars = Calendars(root.get());
    if (calendars.isEmpty()) {
        result.error = QStringLiteral("所选文件不是日历文件（iCalendar .ics），没有导入任何日期。");
        return result;
    }

    QList<Event> events;
    int eventCount = 0;
    for (icalcomponent* calendar : calendars) {
        for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT);
             c; c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
            ++eventCount;
            if (std::optional<Event> event = AllDayEvent(c))
                events.append(*event);
            else
                ++result.skippedEvents;
        }
    }
    if (eventCount == 0) {
        result.error = QStringLiteral("日历中没有任何事件，没有导入任何日期。");
        return result;
    }
    if (events.isEmpty()) {
        result.error = QStringLiteral("日历中没有全天事件，没有可导入的节日或补班日。");
        return result;
    }

    QMap<QPair<QDate, Kind>, Day> days;
    const auto add = [&](const Event& event, QDate start) {
        for (int i = 0; i < event.length && days.size() <= MaxDays; ++i) {
            const QDate date = start.addDays(i);
            if (!days.contains({date, event.kind}))
                days.insert({date, event.kind}, Day{date, event.summary, event.kind, event.rule});
        }
    };

    // The years the single events cover bound the recurring ones.
    int first = 0;
    int last = 0;
    for (const Event& event : events) {
        if (event.recurring)
            continue;
        const int startYear = event.start.year();
        const int endYear = event.start.addDays(event.length - 1).year();
        first = first == 0 ? startYear : std::min(first, startYear);
        last = std::max(last, endYear);
        add(event, event.start);
    }
    if (first == 0) {
        first = currentYear;
        last = currentYear + 1;
    }
    first = std::max(first, last - MaxYears + 1);
    for (const Event& event : events) {
        if (!event.recurring)
            continue;
        result.firstYear = first;
        result.lastYear = last;
        for (const QDate start : Occurrences(event, QDate(first, 1, 1), QDate(last, 12, 31)))
            add(event, start);
    }

    if (days.size() > MaxDays) {
        result.error = QStringLiteral("日历中的全天日期超过%1个，没有导入任何日期。").arg(MaxDays);
        return result;
    }
    if (days.isEmpty()) {
        result.error = QStringLiteral("日历中没有全天事件，没有可导入的节日或补班日。");
        return result;
    }
    result.days = days.values(); // ordered by date, then holidays before workdays
    return result;
}

QString CalendarImport::WorkdayRuleText() {
    return QStringLiteral("名称含“%1”，或类别为%2之一的全天事件记为补班日；其余全天事件记为节日。")
        .arg(kWorkdayWord, kWorkdayCategories.join(QStringLiteral("、")));
}

QString CalendarImport::Entry(QDate date) {
    return FormatPattern(date, QStringLiteral("YYYY/MM/DD"));
}

void CalendarImport::MarkListed(QList<Day>& days, const QStringList& holidays,
                                const QStringList& workdays) {
    const QString pattern = QStringLiteral("YYYY/MM/DD");
    for (Day& day : days) {
        const QString dayText = Entry(day.date);
        const QStringList& entries = day.kind == Kind::Holiday ? holidays : workdays;
        // As the tariff reads the entries in the day's own year.
        day.listed = std::any_of(entries.begin(), entries.end(), [&](const QString& entry) {
            return FormatPattern(entry, pattern, day.date.year()) == dayText;
        });
    }
}
