#include "meter/settings/SystemSettingsFile.h"

#include "common/TextConventions.h"
#include "meter/settings/DayEntryRules.h"
#include "meter/store/IniLayout.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <algorithm>

namespace {

namespace Layout = IniLayout::Settings;

// A hand-edited count can be huge; past this many entries the rest are not read.
constexpr int kMaxListEntries = 10000;

// As ReadIni returns it, from the file loaded once.
QString Value(const IniFile& file, const QString& section, const QString& key,
              const QString& fallback) {
    QString text = file.value(section, key, fallback);
    text.remove(QChar(0));
    return text.trimmed();
}

QStringList ListEntries(const IniFile& file, const QString& countKey, const QString& prefix,
                        const QStringList& builtIn) {
    const QString none = QStringLiteral("none");
    const QString countText = Value(file, Layout::HolidaySection, countKey, none);
    if (countText == none)
        return builtIn;
    const double count = NumberFromText(countText);
    QStringList entries;
    for (int i = 1; i <= count && i <= kMaxListEntries; ++i)
        entries.append(
            Value(file, Layout::HolidaySection, Layout::NumberedKey(prefix, i), QString()));
    return entries;
}

// The keys the window writes, section by section. They are removed before the save appends
// them again in their fixed order after whatever else the section holds.
QList<QPair<QString, QStringList>> OwnKeys() {
    return {
        {Layout::TimeSection,
         {Layout::SpareKey, Layout::AskKey, Layout::FromKey, Layout::ToKey, Layout::DayRateKey,
          Layout::NightRateKey}},
        {Layout::HolidaySection,
         {Layout::HolidayRateKey, Layout::HolidayCountKey, Layout::RestDayCountKey,
          Layout::WorkdayCountKey}},
        {Layout::CountdownSection, {Layout::CountdownTitleKey, Layout::CountdownDateTimeKey}},
    };
}

// A numbered entry of one of the window's lists ("节日12", "补班3"), whatever its number.
bool IsListEntryKey(const QString& key) {
    for (const QString& prefix :
         {Layout::HolidayKeyPrefix, Layout::RestDayKeyPrefix, Layout::WorkdayKeyPrefix}) {
        if (key.size() > prefix.size() && key.startsWith(prefix, Qt::CaseInsensitive) &&
            std::all_of(key.begin() + prefix.size(), key.end(),
                        [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return true;
    }
    return false;
}

QString Normalised(const QString& number) {
    return NumberToText(NumberFromText(number));
}

QString BandTime(const QString& text, int currentYear) {
    return FormatPattern(SystemSettingsFile::CorrectedTime(text), QStringLiteral("HH:MM"),
                         currentYear);
}

} // namespace

SystemSettings SystemSettingsFile::Load(const QString& iniPath, int currentYear) {
    IniFile file(iniPath);
    file.load(); // a missing or unreadable file reads as empty: every default applies

    SystemSettings s;
    s.spare = Value(file, Layout::TimeSection, Layout::SpareKey, Layout::DefaultSpare);
    // The same reading as the planned-time check: ticked exactly when the value is 1.
    s.ask =
        NumberFromText(Value(file, Layout::TimeSection, Layout::AskKey, Layout::DefaultAsk)) == 1;
    s.from = Value(file, Layout::TimeSection, Layout::FromKey, Layout::DefaultFrom);
    s.to = Value(file, Layout::TimeSection, Layout::ToKey, Layout::DefaultTo);
    s.dayRate = Value(file, Layout::TimeSection, Layout::DayRateKey, Layout::DefaultDayRate);
    s.nightRate = Value(file, Layout::TimeSection, Layout::NightRateKey, Layout::DefaultNightRate);
    s.holidayRate =
        Value(file, Layout::HolidaySection, Layout::HolidayRateKey, Layout::DefaultHolidayRate);
    s.holidays = ListEntries(file, Layout::HolidayCountKey, Layout::HolidayKeyPrefix,
                             DayEntryRules::BuiltInHolidays());
    s.restDays = ListEntries(file, Layout::RestDayCountKey, Layout::RestDayKeyPrefix,
                             DayEntryRules::BuiltInRestDays());
    // Make-up workdays change every year: there are none built in.
    s.workdays = ListEntries(file, Layout::WorkdayCountKey, Layout::WorkdayKeyPrefix, {});
    s.countdownTitle = Value(file, Layout::CountdownSection, Layout::CountdownTitleKey,
                             Layout::DefaultCountdownTitle(currentYear));
    s.countdownDateTime = Value(file, Layout::CountdownSection, Layout::CountdownDateTimeKey,
                                Layout::DefaultCountdownDateTimeDashed(currentYear));
    return s;
}

QString SystemSettingsFile::CorrectedTime(const QString& text) {
    if (text.contains(QLatin1Char(':')))
        return text;
    return text.left(2) + QStringLiteral(":00");
}

IniFile SystemSettingsFile::Document(const SystemSettings& s, const QString& iniPath,
                                     int currentYear) {
    IniFile doc(iniPath);
    // Other versions and other settings keep their keys in this file too. An unreadable file
    // is replaced whole, as nothing in it could be read anyway.
    if (!doc.load())
        doc.clear();
    for (const auto& [section, keys] : OwnKeys()) {
        const bool lists = section == Layout::HolidaySection;
        doc.removeKeys(section, [&keys, lists](const QString& key) {
            return keys.contains(key, Qt::CaseInsensitive) || (lists && IsListEntryKey(key));
        });
    }

    const QString& time = Layout::TimeSection;
    doc.setValue(time, Layout::SpareKey, Normalised(s.spare));
    doc.setValue(time, Layout::AskKey, s.ask ? QStringLiteral("1") : QStringLiteral("0"));
    doc.setValue(time, Layout::FromKey, BandTime(s.from, currentYear));
    doc.setValue(time, Layout::ToKey, BandTime(s.to, currentYear));
    doc.setValue(time, Layout::DayRateKey, Normalised(s.dayRate));
    doc.setValue(time, Layout::NightRateKey, Normalised(s.nightRate));

    const QString& holiday = Layout::HolidaySection;
    doc.setValue(holiday, Layout::HolidayRateKey, Normalised(s.holidayRate));
    doc.setValue(holiday, Layout::HolidayCountKey, QString::number(s.holidays.size()));
    for (qsizetype i = 0; i < s.holidays.size(); ++i)
        doc.setValue(holiday, Layout::NumberedKey(Layout::HolidayKeyPrefix, int(i) + 1),
                     s.holidays.at(i));
    doc.setValue(holiday, Layout::RestDayCountKey, QString::number(s.restDays.size()));
    for (qsizetype i = 0; i < s.restDays.size(); ++i)
        doc.setValue(holiday, Layout::NumberedKey(Layout::RestDayKeyPrefix, int(i) + 1),
                     s.restDays.at(i));
    doc.setValue(holiday, Layout::WorkdayCountKey, QString::number(s.workdays.size()));
    for (qsizetype i = 0; i < s.workdays.size(); ++i)
        doc.setValue(holiday, Layout::NumberedKey(Layout::WorkdayKeyPrefix, int(i) + 1),
                     s.workdays.at(i));

    const QString& countdown = Layout::CountdownSection;
    doc.setValue(countdown, Layout::CountdownTitleKey, s.countdownTitle);
    doc.setValue(countdown, Layout::CountdownDateTimeKey, s.countdownDateTime);
    return doc;
}

bool SystemSettingsFile::Save(const SystemSettings& settings, const QString& iniPath,
                              int currentYear) {
    // A read-only file is made writable first, as the old one is replaced anyway.
    const QFileInfo existing(iniPath);
    if (existing.exists() && !existing.isWritable())
        QFile::setPermissions(iniPath, QFile::permissions(iniPath) | QFileDevice::WriteOwner);
    return Document(settings, iniPath, currentYear).save();
}
