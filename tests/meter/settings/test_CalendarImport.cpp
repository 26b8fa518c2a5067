#include "meter/settings/CalendarImport.h"

#include <QFile>
#include <QStringConverter>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

// Failures show the texts, not their bytes.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << "{\n  " << texts.join("\n  ").toStdString() << "\n}";
}

namespace {

using Kind = CalendarImport::Kind;

QByteArray Fixture() {
    QFile file(QStringLiteral(DIALTOLL_TEST_DATA_DIR "/holidays-2026.ics"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    return file.readAll();
}

// A calendar around the given event lines.
QByteArray Calendar(const QString& events) {
    return (QStringLiteral("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//t//t//ZH\r\n") + events +
            QStringLiteral("END:VCALENDAR\r\n"))
        .toUtf8();
}

QString Event(const QString& lines) {
    return QStringLiteral("BEGIN:VEVENT\r\n") + lines + QStringLiteral("END:VEVENT\r\n");
}

// "2026/01/04 补班 名称含“班” 元旦补班", one line per day, to compare whole lists at once.
QStringList Lines(const QList<CalendarImport::Day>& days) {
    QStringList lines;
    for (const CalendarImport::Day& day : days)
        lines.append(QStringList{CalendarImport::Entry(day.date),
                                 day.kind == Kind::Holiday ? "节日" : "补班", day.rule, day.summary}
                         .join(' '));
    return lines;
}

const QStringList kFixtureDays = {
    "2026/01/01 节日 全天事件 元旦",           "2026/01/04 补班 名称含“班” 元旦补班",
    "2026/02/14 补班 名称含“班” 春节补班",     "2026/02/16 节日 全天事件 春节",
    "2026/02/17 节日 全天事件 春节",           "2026/02/18 节日 全天事件 春节",
    "2026/04/05 节日 全天事件 清明节",         "2026/05/01 节日 全天事件 劳动节",
    "2026/05/02 节日 全天事件 劳动节",         "2026/05/03 节日 全天事件 劳动节",
    "2026/05/09 补班 类别“上班” 劳动节调休",   "2026/10/01 节日 全天事件 国庆节",
    "2026/10/02 节日 全天事件 国庆节",         "2026/10/03 节日 全天事件 国庆节",
    "2026/10/10 补班 名称含“班” 国庆节后上班",
};

// Every day of the all-day events, the end date excluded; the timed event is left out.
TEST(CalendarImport, ReadsHolidaysAndMakeUpWorkdaysOfAPublicHolidayCalendar) {
    const CalendarImport::Result result = CalendarImport::Read(Fixture(), 2026);
    ASSERT_EQ(result.error, QString());
    EXPECT_EQ(Lines(result.days), kFixtureDays);
    EXPECT_EQ(result.skippedEvents, 1);
    EXPECT_EQ(result.firstYear, 0); // nothing recurring
}

TEST(CalendarImport, ReadsAGbkCalendarAsItsText) {
    QStringEncoder gbk("GBK");
    if (!gbk.isValid())
        GTEST_SKIP() << "this Qt has no GBK codec";
    const QByteArray bytes = gbk.encode(QString::fromUtf8(Fixture()));
    ASSERT_NE(bytes, Fixture());
    EXPECT_EQ(Lines(CalendarImport::Read(bytes, 2026).days), kFixtureDays);
}

// Recurring events are expanded over the years of the single events, less their exceptions,
// with their extra dates; with no single event, over this year and the next.
TEST(CalendarImport, ExpandsRecurringEventsOverTheYearsTheFileCovers) {
    const QString yearly = Event("UID:r\r\nDTSTART;VALUE=DATE:20200101\r\nRRULE:FREQ=YEARLY\r\n"
                                 "EXDATE;VALUE=DATE:20250101\r\nRDATE;VALUE=DATE:20260102\r\n"
                                 "SUMMARY:元旦\r\n");
    const QString single2025 = Event("UID:a\r\nDTSTART;VALUE=DATE:20250501\r\nSUMMARY:劳动节\r\n");
    const QString single2026 =
        Event("UID:b\r\nDTSTART;VALUE=DATE:20261001\r\nSUMMARY:国庆节补班\r\n");

    CalendarImport::Result result =
        CalendarImport::Read(Calendar(yearly + single2025 + single2026), 2030);
    ASSERT_EQ(result.error, QString());
    EXPECT_EQ(
        Lines(result.days),
        QStringList({"2025/05/01 节日 全天事件 劳动节", "2026/01/01 节日 全天事件 元旦",
                     "2026/01/02 节日 全天事件 元旦", "2026/10/01 补班 名称含“班” 国庆节补班"}));
    EXPECT_EQ(result.firstYear, 2025);
    EXPECT_EQ(result.lastYear, 2026);

    // A weekly rule that never ends, alone in its file, over this year and the next.
    const QString weekly = Event("UID:w\r\nDTSTART;VALUE=DATE:19000107\r\n"
                                 "RRULE:FREQ=WEEKLY\r\nSUMMARY:周日\r\n");
    result = CalendarImport::Read(Calendar(weekly), 2026);
    ASSERT_EQ(result.error, QString());
    EXPECT_EQ(result.firstYear, 2026);
    EXPECT_EQ(result.lastYear, 2027);
    ASSERT_EQ(result.days.size(), 104);
    EXPECT_EQ(result.days.first().date, QDate(2026, 1, 4));
    EXPECT_EQ(result.days.last().date, QDate(2027, 12, 26));
}

struct Refusal {
    std::string name;
    QByteArray file;
    QString error;
};

void PrintTo(const Refusal& refusal, std::ostream* out) {
    *out << refusal.name;
}

const QString kNotACalendar =
    QStringLiteral("所选文件不是日历文件（iCalendar .ics），没有导入任何日期。");
const QString kNoEvents = QStringLiteral("日历中没有任何事件，没有导入任何日期。");
const QString kNoAllDayEvents = QStringLiteral("日历中没有全天事件，没有可导入的节日或补班日。");

const std::vector<Refusal> kRefusals = {
    {"Text", "春节放假安排：2月16日至18日\n", kNotACalendar},
    {"Empty", "", kNotACalendar},
    {"Png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), kNotACalendar},
    {"VCard", "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:张三\r\nEND:VCARD\r\n", kNotACalendar},
    {"CutShort",
     "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20260101\r\n",
     kNotACalendar},
    {"NoEvents", Calendar(""), kNoEvents},
    {"OnlyTimedEvents",
     Calendar(Event("UID:t\r\nDTSTART:20261001T090000\r\nDTEND:20261001T100000\r\n"
                    "SUMMARY:升旗仪式\r\n")),
     kNoAllDayEvents},
    {"UnreadableStart", Calendar(Event("UID:u\r\nDTSTART;VALUE=DATE:2026013\r\nSUMMARY:x\r\n")),
     kNoAllDayEvents},
    {"TooManyDays",
     Calendar(Event("UID:l\r\nDTSTART;VALUE=DATE:20200101\r\nDTEND;VALUE=DATE:20300101\r\n"
                    "SUMMARY:十年\r\n")),
     QStringLiteral("日历中的全天日期超过2000个，没有导入任何日期。")},
    {"DailyForeverTooMany",
     Calendar(Event("UID:d\r\nDTSTART;VALUE=DATE:20200101\r\nRRULE:FREQ=DAILY\r\nSUMMARY:x\r\n") +
              Event("UID:e\r\nDTSTART;VALUE=DATE:20100101\r\nSUMMARY:y\r\n") +
              Event("UID:f\r\nDTSTART;VALUE=DATE:20260101\r\nSUMMARY:z\r\n")),
     QStringLiteral("日历中的全天日期超过2000个，没有导入任何日期。")},
};

class CalendarImportRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(CalendarImportRefusal, SaysWhyAndGivesNoDays) {
    const CalendarImport::Result result = CalendarImport::Read(GetParam().file, 2026);
    EXPECT_EQ(result.error, GetParam().error);
    EXPECT_TRUE(result.days.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Files, CalendarImportRefusal, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& info) {
                             return info.param.name;
                         });

// A day its own list counts already, by full date or every year, is marked; the other list
// does not count.
TEST(CalendarImport, MarksDaysTheirListHoldsAlready) {
    CalendarImport::Result result = CalendarImport::Read(Fixture(), 2026);
    CalendarImport::MarkListed(result.days, {"10月1日", "2026/10/02", "2026/01/04", "2025/02/16"},
                               {"2026/10/10", "5月9日"});
    QStringList listed;
    for (const CalendarImport::Day& day : result.days) {
        if (day.listed)
            listed.append(CalendarImport::Entry(day.date));
    }
    EXPECT_EQ(listed, QStringList({"2026/05/09", "2026/10/01", "2026/10/02", "2026/10/10"}));
}

} // namespace
