#include "meter/settings/DayEntryRules.h"

#include "common/TextConventions.h"

#include <array>

namespace {

// Full-width digits, as a Chinese input method types them, compare as ordinary ones.
QString WithAsciiDigits(QString text) {
    for (QChar& c : text) {
        if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19)
            c = QChar(u'0' + (c.unicode() - 0xFF10));
    }
    return text;
}

struct WeekdayRow {
    const char16_t* entry;
    std::array<const char16_t*, 11> accepted; // padded with nullptr
};

// Day 1 is Monday, day 7 Sunday. "天" alone and "周天"/"礼拜天" are not accepted.
const std::array<WeekdayRow, 7> kWeekdays = {{
    {u"星期一", {u"星期一", u"周一", u"礼拜一", u"一", u"1", u"１"}},
    {u"星期二", {u"星期二", u"周二", u"礼拜二", u"二", u"2", u"２"}},
    {u"星期三", {u"星期三", u"周三", u"礼拜三", u"三", u"3", u"３"}},
    {u"星期四", {u"星期四", u"周四", u"礼拜四", u"四", u"4", u"４"}},
    {u"星期五", {u"星期五", u"周五", u"礼拜五", u"五", u"5", u"５"}},
    {u"星期六", {u"星期六", u"周六", u"礼拜六", u"六", u"6", u"６"}},
    {u"星期日",
     {u"星期日", u"星期天", u"星期七", u"周日", u"周七", u"礼拜日", u"礼拜七", u"日", u"七", u"7",
      u"７"}},
}};

} // namespace

std::optional<QString> DayEntryRules::HolidayEntry(const QString& typed, int currentYear) {
    const std::optional<QDateTime> date = DateFromText(typed, currentYear);
    if (!date)
        return std::nullopt;
    const QString full = FormatPattern(*date, QStringLiteral("YYYY/MM/DD"));
    // The year counts as typed when the text begins with it, in either digit width and after
    // any blanks the date reader skips too; otherwise the entry would lose its year.
    const QString text = WithAsciiDigits(typed.trimmed());
    if (text.left(4) == full.left(4))
        return full;
    return FormatPattern(*date, QStringLiteral("M月D日"));
}

std::optional<QString> DayEntryRules::RestDayEntry(const QString& typed) {
    const QString text = typed.trimmed();
    for (const WeekdayRow& row : kWeekdays) {
        for (const char16_t* accepted : row.accepted) {
            if (accepted && text == QString::fromUtf16(accepted))
                return QString::fromUtf16(row.entry);
        }
    }
    return std::nullopt;
}

QStringList DayEntryRules::BuiltInHolidays() {
    return {QStringLiteral("1月1日"), QStringLiteral("5月1日"), QStringLiteral("5月4日"),
            QStringLiteral("6月1日"), QStringLiteral("7月1日"), QStringLiteral("8月1日"),
            QStringLiteral("10月1日")};
}

QStringList DayEntryRules::BuiltInRestDays() {
    return {QStringLiteral("星期六"), QStringLiteral("星期日")};
}
