#pragma once

#include <QString>

// The sections, keys and defaults of the two profile files in the data folder.
namespace IniLayout {

// "veyranettimer.ini": the system settings, rewritten whole by the settings window.
namespace Settings {
inline const QString FileName = QStringLiteral("veyranettimer.ini");

inline const QString TimeSection = QStringLiteral("时间设置");
inline const QString SpareKey = QStringLiteral("Spare");
inline const QString AskKey = QStringLiteral("Ask");
inline const QString FromKey = QStringLiteral("From");
inline const QString ToKey = QStringLiteral("To");
inline const QString DayRateKey = QStringLiteral("Value1");
inline const QString NightRateKey = QStringLiteral("Value2");

inline const QString HolidaySection = QStringLiteral("节假日设置");
inline const QString HolidayRateKey = QStringLiteral("Value");
inline const QString HolidayCountKey = QStringLiteral("Count");
inline const QString HolidayKeyPrefix = QStringLiteral("节日");
inline const QString RestDayCountKey = QStringLiteral("Count1");
inline const QString RestDayKeyPrefix = QStringLiteral("假日");
// Make-up workdays: dates that are working days although their weekday is a rest day.
inline const QString WorkdayCountKey = QStringLiteral("Count2");
inline const QString WorkdayKeyPrefix = QStringLiteral("补班");

inline const QString CountdownSection = QStringLiteral("倒计时器设置");

// Desktop notifications: on unless the key says 0. The settings window keeps this section.
inline const QString NoticeSection = QStringLiteral("通知");
inline const QString NoticeEnabledKey = QStringLiteral("启用");
inline const QString CountdownTitleKey = QStringLiteral("Title");
inline const QString CountdownDateTimeKey = QStringLiteral("DateTime");

inline const QString DefaultSpare = QStringLiteral("60");
inline const QString DefaultAsk = QStringLiteral("1");
inline const QString DefaultFrom = QStringLiteral("08:00");
inline const QString DefaultTo = QStringLiteral("23:00");
inline const QString DefaultDayRate = QStringLiteral("6.2");
inline const QString DefaultNightRate = QStringLiteral("4.2");
inline const QString DefaultHolidayRate = QStringLiteral("4.2");
// The tariff reader's defaults for the lists; the settings window uses its own.
inline const QString DefaultCount = QStringLiteral("0");
inline const QString DefaultHoliday = QStringLiteral("1月1日");
inline const QString DefaultRestDay = QStringLiteral("星期日");
// A make-up workday counted but missing from the file is no day at all.
inline const QString DefaultWorkday;

// A numbered list key: NumberedKey(HolidayKeyPrefix, 3) is "节日3".
inline QString NumberedKey(const QString& prefix, int number) {
    return prefix + QString::number(number);
}

// The countdown defaults point at 1 January of the year after `currentYear`.
inline QString DefaultCountdownTitle(int currentYear) {
    return QString::number(currentYear + 1) + QStringLiteral("年1月1日倒计时");
}
// The settings window's form, "2025-1-1 0:00:00".
inline QString DefaultCountdownDateTimeDashed(int currentYear) {
    return QString::number(currentYear + 1) + QStringLiteral("-1-1 0:00:00");
}
// The countdown display's form, "2025年1月1日 0:00:00".
inline QString DefaultCountdownDateTimeChinese(int currentYear) {
    return QString::number(currentYear + 1) + QStringLiteral("年1月1日 0:00:00");
}
} // namespace Settings

// "Setting.ini": the main window's planned-time choice, written at every shutdown.
namespace PlanChoice {
inline const QString FileName = QStringLiteral("Setting.ini");
inline const QString Section = QStringLiteral("时间");
inline const QString ValueKey = QStringLiteral("Value");
inline const QString CustomKey = QStringLiteral("Custom");
// "Value" holds a preset index 0..19, or this text for the custom time.
inline const QString CustomValue = QStringLiteral("Custom");
inline const QString DefaultValue = QStringLiteral("5");
inline const QString DefaultCustomMinutes = QStringLiteral("120");
} // namespace PlanChoice

} // namespace IniLayout
