// Fuzzes how typed holidays and rest days become list entries, and the sorted lists. An input is
// lines of typed text. Properties: an accepted entry has one of the stored forms, is itself
// accepted as the same entry, and denotes the typed day; the lists stay sorted, add a text only
// once and select the entry the delete rule names.

#include "common/TextConventions.h"
#include "meter/settings/DayEntryRules.h"
#include "meter/settings/DayList.h"
#include "tests/fuzz/FuzzRequire.h"
#include "tests/fuzz/FuzzTimeZones.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>
#include <cstdint>

namespace {

// A leap year and a common one. A year 28 years on has the same calendar, so a text reads as
// the same day in both exactly when it names its own year.
constexpr int kYears[] = {2024, 2023};
constexpr int kSameCalendarLater = 28;

QString YearFirstDay(const QString& text, int year) {
    const std::optional<QDateTime> date = DateFromText(text, year);
    return date ? FormatPattern(*date, QStringLiteral("YYYY/MM/DD")) : QString();
}

std::optional<QString> CheckHoliday(const QString& typed, int year) {
    static const QRegularExpression oneDay(QStringLiteral("^[0-9]{4}/[0-9]{2}/[0-9]{2}$"));
    static const QRegularExpression everyYear(QStringLiteral("^[1-9][0-9]?月[1-9][0-9]?日$"));
    const std::optional<QString> entry = DayEntryRules::HolidayEntry(typed, year);
    FuzzRequire(entry.has_value() == IsDateText(typed, year),
                "a holiday is accepted exactly when it reads as a date", typed);
    if (!entry)
        return entry;
    const bool isOneDay = oneDay.match(*entry).hasMatch();
    FuzzRequire(isOneDay || everyYear.match(*entry).hasMatch(),
                "a holiday entry is YYYY/MM/DD or M月D日", typed + QStringLiteral(" -> ") + *entry);
    FuzzRequire(DayEntryRules::HolidayEntry(*entry, year) == entry,
                "a holiday entry is accepted as itself", typed + QStringLiteral(" -> ") + *entry);
    FuzzRequire(YearFirstDay(*entry, year) == YearFirstDay(typed, year),
                "a holiday entry denotes the typed day", typed + QStringLiteral(" -> ") + *entry);
    const std::optional<QDateTime> later = DateFromText(typed, year + kSameCalendarLater);
    FuzzRequire(later.has_value(), "a date reads in a year of the same calendar", typed);
    const bool namesItsYear = DateFromText(typed, year)->date().year() == later->date().year();
    FuzzRequire(isOneDay == namesItsYear, "only a date typed with its year is for one year only",
                typed + QStringLiteral(" -> ") + *entry);
    return entry;
}

std::optional<QString> CheckRestDay(const QString& typed) {
    static const QStringList names = {QStringLiteral("星期日"), QStringLiteral("星期一"),
                                      QStringLiteral("星期二"), QStringLiteral("星期三"),
                                      QStringLiteral("星期四"), QStringLiteral("星期五"),
                                      QStringLiteral("星期六")};
    const std::optional<QString> entry = DayEntryRules::RestDayEntry(typed);
    FuzzRequire(DayEntryRules::RestDayEntry(QStringLiteral(" ") + typed + QStringLiteral("  ")) ==
                    entry,
                "blanks at the ends of a weekday are ignored", typed);
    if (!entry)
        return entry;
    FuzzRequire(names.contains(*entry), "a rest-day entry is a weekday name", typed);
    FuzzRequire(DayEntryRules::RestDayEntry(*entry) == entry,
                "a rest-day entry is accepted as itself", typed);
    return entry;
}

bool IsSorted(const QStringList& entries) {
    return std::is_sorted(entries.begin(), entries.end());
}

void CheckList(const QStringList& lines, const QStringList& accepted, const QByteArray& input) {
    DayList list(lines);
    QStringList expected = lines;
    std::sort(expected.begin(), expected.end());
    FuzzRequire(list.entries() == expected, "a loaded list holds its entries in sorted order");

    for (const QString& entry : accepted + lines) {
        const QStringList old = list.entries();
        const int row = list.add(entry);
        if (old.contains(entry)) {
            FuzzRequire(row == -1 && list.entries() == old, "a listed text is not added again",
                        entry);
        } else {
            FuzzRequire(row >= 0 && row < list.count() && list.entries().at(row) == entry &&
                            list.count() == old.size() + 1 && IsSorted(list.entries()),
                        "an added text takes its sorted place", entry);
        }
    }

    // Delete rows chosen by the input's bytes until the list is empty.
    for (qsizetype i = 0; list.count() > 0; ++i) {
        const int count = list.count();
        const int row = i < input.size() ? static_cast<uint8_t>(input.at(i)) % (count + 1) : 0;
        QStringList old = list.entries();
        const int selected = list.removeAt(row);
        if (row >= count) {
            FuzzRequire(selected == -1 && list.entries() == old, "a row out of range is kept");
            continue;
        }
        old.removeAt(row);
        FuzzRequire(list.entries() == old, "deleting removes exactly the selected entry");
        const int want = old.isEmpty() ? -1 : (row < old.size() ? row : 0);
        FuzzRequire(selected == want,
                    "after a delete the following entry, else the first, is selected");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // A few entries per input: each is checked many ways, and short inputs run fast.
    constexpr qsizetype kMaxLines = 8;
    const QStringList lines = QString::fromUtf8(input).split(u'\n').mid(0, kMaxLines);
    // Each input is read in one of the years and one of the time zones, chosen by its content.
    const size_t hash = qHash(input);
    const int year = kYears[hash % 2];
    UseLocalZone(hash / 2);
    QStringList accepted;
    for (const QString& typed : lines) {
        if (const std::optional<QString> entry = CheckHoliday(typed, year))
            accepted.append(*entry);
        if (const std::optional<QString> entry = CheckRestDay(typed))
            accepted.append(*entry);
    }
    CheckList(lines, accepted, input);
    return 0;
}
