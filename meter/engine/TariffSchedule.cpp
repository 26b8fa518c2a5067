#include "meter/engine/TariffSchedule.h"

#include "common/TextConventions.h"
#include "meter/store/IniFile.h"
#include "meter/store/IniLayout.h"

#include <array>

namespace {

namespace Layout = IniLayout::Settings;

// A count read from a hand-edited file can be huge. Past this many entries the rest are not
// looked up one by one: a single check of the default (what a missing entry reads as) stands
// for them, so a tick never stalls.
constexpr int kMaxListEntries = 10000;

// Indexed by QDate::dayOfWeek() - 1 (Monday first); fixed names, whatever the locale.
const std::array<QString, 7> kWeekdayNames = {QStringLiteral("星期一"), QStringLiteral("星期二"),
                                              QStringLiteral("星期三"), QStringLiteral("星期四"),
                                              QStringLiteral("星期五"), QStringLiteral("星期六"),
                                              QStringLiteral("星期日")};

// As ReadIni returns it, from the file loaded once for this call.
QString Value(const IniFile& file, const QString& section, const QString& key,
              const QString& fallback) {
    QString text = file.value(section, key, fallback);
    text.remove(QChar(0));
    return text.trimmed();
}

// Whether any entry prefix1..prefix<count> matches, entries missing from the file reading as
// `fallback`.
template <typename Matches>
bool AnyListEntry(const IniFile& file, const QString& section, const QString& countKey,
                  const QString& prefix, const QString& fallback, Matches matches) {
    const double count = NumberFromText(Value(file, section, countKey, Layout::DefaultCount));
    int i = 1;
    for (; i <= count && i <= kMaxListEntries; ++i) {
        if (matches(Value(file, section, IniLayout::Settings::NumberedKey(prefix, i), fallback)))
            return true;
    }
    return i <= count && matches(fallback);
}

// Kept as a double: a text that is no time reads as whatever number it starts with.
double TimeNumber(const QString& text, int currentYear) {
    return NumberFromText(FormatPattern(text, QStringLiteral("HMM"), currentYear));
}

} // namespace

QString CurrentRateText(const QString& iniPath, const QDateTime& now) {
    IniFile file(iniPath);
    file.load(); // a missing or unreadable file reads as empty: every default applies

    const QDate today = now.date();
    const int year = today.year();
    const QString allDayRate =
        Value(file, Layout::HolidaySection, Layout::HolidayRateKey, Layout::DefaultHolidayRate);

    const QString datePattern = QStringLiteral("YYYY/MM/DD");
    const QString todayText = FormatPattern(today, datePattern);
    // "M月D日" entries read as that day of this year, full dates only in their own year.
    const auto isToday = [&](const QString& entry) {
        return FormatPattern(entry, datePattern, year) == todayText;
    };
    const bool holiday = AnyListEntry(file, Layout::HolidaySection, Layout::HolidayCountKey,
                                      Layout::HolidayKeyPrefix, Layout::DefaultHoliday, isToday);
    if (holiday)
        return allDayRate;

    const int dayOfWeek = today.dayOfWeek(); // 0 for an invalid date
    const QString weekday = dayOfWeek >= 1 ? kWeekdayNames[dayOfWeek - 1] : QString();
    const bool restDay = AnyListEntry(file, Layout::HolidaySection, Layout::RestDayCountKey,
                                      Layout::RestDayKeyPrefix, Layout::DefaultRestDay,
                                      [&](const QString& entry) { return entry == weekday; });
    // A make-up workday is a rest day worked to make up for a holiday: the band applies. The
    // list is read only on rest days, as it changes nothing on the others.
    if (restDay && !AnyListEntry(file, Layout::HolidaySection, Layout::WorkdayCountKey,
                                 Layout::WorkdayKeyPrefix, Layout::DefaultWorkday, isToday))
        return allDayRate;

    const int from =
        TimeNumber(Value(file, Layout::TimeSection, Layout::FromKey, Layout::DefaultFrom), year);
    const int to =
        TimeNumber(Value(file, Layout::TimeSection, Layout::ToKey, Layout::DefaultTo), year);
    const int time = now.time().hour() * 100 + now.time().minute();
    // The band never runs across midnight: reversed times are taken in the other order, and
    // equal times give an empty band.
    const bool inBand = from < to ? (from <= time && time < to) : (to <= time && time < from);
    return inBand
               ? Value(file, Layout::TimeSection, Layout::DayRateKey, Layout::DefaultDayRate)
               : Value(file, Layout::TimeSection, Layout::NightRateKey, Layout::DefaultNightRate);
}
