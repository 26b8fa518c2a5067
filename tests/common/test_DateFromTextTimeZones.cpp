// Texts that name a wall-clock time a daylight-saving change skips, found by the fuzzer run in
// such a time zone. The zones are POSIX rules, so no time zone database is needed.

#include "common/TextConventions.h"
#include "meter/settings/DayEntryRules.h"

#include <QByteArray>
#include <ctime>
#include <gtest/gtest.h>

namespace {

// Local time follows `rule` while the fixture lives.
class LocalZone {
public:
    explicit LocalZone(const char* rule)
        : m_saved(qgetenv("TZ")), m_wasSet(qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", rule);
        tzset();
    }
    ~LocalZone() {
        if (m_wasSet)
            qputenv("TZ", m_saved);
        else
            qunsetenv("TZ");
        tzset();
    }
    LocalZone(const LocalZone&) = delete;
    LocalZone& operator=(const LocalZone&) = delete;

private:
    QByteArray m_saved;
    bool m_wasSet;
};

struct GapCase {
    const char* zone; // clocks go forward one hour on `day`
    QDate day;
    QTime skipped;     // a wall-clock time inside the gap
    const char* text;  // a text naming it
    QTime readTime;    // the time the text reads as: the same moment after the gap
    const char* entry; // the holiday entry it gives
};

TEST(DateFromTextTimeZones, ATimeSkippedByDaylightSavingReadsAsTheMomentAfter) {
    const GapCase cases[] = {
        // Forward at 2:00 on the second Sunday of March.
        {"EST5EDT,M3.2.0,M11.1.0", QDate(2024, 3, 10), QTime(2, 30), "2024-03-10 2:30",
         QTime(3, 30), "2024/03/10"},
        // Forward at midnight, after the first Saturday of September: that day has no 0:00.
        {"<-04>4<-03>,M9.1.6/24,M4.1.6/24", QDate(2024, 9, 8), QTime(0, 0), "9月8日", QTime(1, 0),
         "9月8日"},
    };
    for (const GapCase& c : cases) {
        SCOPED_TRACE(c.zone);
        LocalZone zone(c.zone);
        if (QDateTime(c.day, c.skipped).isValid())
            GTEST_SKIP() << "this Qt does not follow TZ for local time";

        const QString text = QString::fromUtf8(c.text);
        const std::optional<QDateTime> read = DateFromText(text, 2024);
        ASSERT_TRUE(read.has_value());
        ASSERT_TRUE(read->isValid());
        EXPECT_EQ(read->date(), c.day);
        EXPECT_EQ(read->time(), c.readTime);
        EXPECT_EQ(FormatPattern(text, QStringLiteral("YYYY/MM/DD"), 2024),
                  c.day.toString(u"yyyy/MM/dd"));
        EXPECT_EQ(DayEntryRules::HolidayEntry(text, 2024), QString::fromUtf8(c.entry));
    }
}

} // namespace
