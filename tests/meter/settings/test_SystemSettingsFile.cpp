#include "meter/settings/SystemSettingsFile.h"
#include "support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

QString FileText(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QString::fromUtf8(file.readAll());
}

void WriteText(const QString& path, const QString& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

TEST(SystemSettingsFile, CorrectsBandTimesWithoutAColon) {
    const QList<QPair<QString, QString>> cases = {
        {"8", "8:00"},  {"12", "12:00"},    {"930", "93:00"}, {"", ":00"},
        {"8:5", "8:5"}, {"23:00", "23:00"}, {":", ":"},
    };
    for (const auto& [typed, corrected] : cases)
        EXPECT_EQ(SystemSettingsFile::CorrectedTime(typed), corrected) << typed.toStdString();
}

TEST(SystemSettingsFile, WritesTheWholeFileInItsOrder) {
    TempFolder folder;
    const QString path = folder.file("veyranettimer.ini");
    // Old keys, a stray section and more entries than the new lists hold.
    WriteText(path, "[其他]\nx=1\n[节假日设置]\nCount=9\n节日9=9月9日\n节日1=1月1日\n");

    SystemSettings s;
    s.spare = "060";
    s.ask = false;
    s.from = "8";
    s.to = "22:5";
    s.dayRate = "6.20";
    s.nightRate = ".";
    s.holidayRate = "";
    s.holidays = {"10月1日", "2026/05/01"};
    s.restDays = {};
    s.countdownTitle = "开学倒计时";
    s.countdownDateTime = "2026年9月1日 8:00";
    ASSERT_TRUE(SystemSettingsFile::Save(s, path, 2026));

    EXPECT_EQ(FileText(path), "[时间设置]\nSpare=60\nAsk=0\nFrom=08:00\nTo=22:05\nValue1=6.2\n"
                              "Value2=0\n[节假日设置]\nValue=0\nCount=2\n节日1=10月1日\n"
                              "节日2=2026/05/01\nCount1=0\n[倒计时器设置]\nTitle=开学倒计时\n"
                              "DateTime=2026年9月1日 8:00\n");
}

TEST(SystemSettingsFile, LoadsDefaultsAndKeepsBuiltInListsWithoutACount) {
    TempFolder folder;
    const QString path = folder.file("veyranettimer.ini");
    SystemSettings s = SystemSettingsFile::Load(path, 2026);
    EXPECT_EQ(s.spare, "60");
    EXPECT_TRUE(s.ask);
    EXPECT_EQ(s.from, "08:00");
    EXPECT_EQ(s.to, "23:00");
    EXPECT_EQ(s.dayRate, "6.2");
    EXPECT_EQ(s.nightRate, "4.2");
    EXPECT_EQ(s.holidayRate, "4.2");
    EXPECT_EQ(s.holidays.size(), 7);
    EXPECT_EQ(s.restDays, QStringList({"星期六", "星期日"}));
    EXPECT_EQ(s.countdownTitle, "2027年1月1日倒计时");
    EXPECT_EQ(s.countdownDateTime, "2027-1-1 0:00:00");

    // A count present makes the file's entries the list, as it holds them; a missing entry
    // reads as empty. "Ask" other than 1 leaves the box unticked.
    WriteText(path, "[时间设置]\nAsk=2\nValue1= 6.20 \n[节假日设置]\nCount=3\n节日1=六一\n"
                    "节日2=5月1日\nCount1=none\n");
    s = SystemSettingsFile::Load(path, 2026);
    EXPECT_FALSE(s.ask);
    EXPECT_EQ(s.dayRate, "6.20");
    EXPECT_EQ(s.holidays, QStringList({"六一", "5月1日", ""}));
    EXPECT_EQ(s.restDays, QStringList({"星期六", "星期日"}));

    // A huge hand-edited count does not stall the window.
    WriteText(path, "[节假日设置]\nCount=1e12\nCount1=0\n");
    s = SystemSettingsFile::Load(path, 2026);
    EXPECT_EQ(s.holidays.size(), 10000);
    EXPECT_TRUE(s.restDays.isEmpty());
}

} // namespace
