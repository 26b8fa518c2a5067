#include "meter/settings/SystemSettingsFile.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QStringConverter>
#include <gtest/gtest.h>
#include <ostream>

// Failures show the files' texts, not their bytes.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

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

SystemSettings Edited() {
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
    s.workdays = {"2026/09/27", "10月11日"};
    s.countdownTitle = "开学倒计时";
    s.countdownDateTime = "2026年9月1日 8:00";
    return s;
}

TEST(SystemSettingsFile, WritesANewFileInItsOrder) {
    TempFolder folder;
    const QString path = folder.file("veyranettimer.ini");
    ASSERT_TRUE(SystemSettingsFile::Save(Edited(), path, 2026));

    EXPECT_EQ(FileText(path), "[时间设置]\nSpare=60\nAsk=0\nFrom=08:00\nTo=22:05\nValue1=6.2\n"
                              "Value2=0\n[节假日设置]\nValue=0\nCount=2\n节日1=10月1日\n"
                              "节日2=2026/05/01\nCount1=0\nCount2=2\n补班1=2026/09/27\n"
                              "补班2=10月11日\n[倒计时器设置]\nTitle=开学倒计时\n"
                              "DateTime=2026年9月1日 8:00\n");
}

// Keys the window does not write (another version's, another feature's, a hand-written note)
// survive a save with their comments; every numbered entry of the lists is replaced, so none
// beyond the new counts remains.
TEST(SystemSettingsFile, KeepsWhatItDoesNotWriteAndNoOldListEntry) {
    TempFolder folder;
    const QString path = folder.file("veyranettimer.ini");
    WriteText(path, "; 手写的说明\n[其他]\nx=1\n\n[节假日设置]\nCOUNT=9\n节日9=9月9日\n"
                    "节日1=1月1日\n备注=春节另行通知\n假日3=星期一\n补班7=2025/01/26\n"
                    "节日表=旧\n[时间设置]\nValue1=9\n提醒音=Remind.wav\n\n[通知设置]\n"
                    "; 提前几分钟\n提前=5\n");
    ASSERT_TRUE(SystemSettingsFile::Save(Edited(), path, 2026));

    EXPECT_EQ(FileText(path),
              "; 手写的说明\n[其他]\nx=1\n\n[节假日设置]\n备注=春节另行通知\n节日表=旧\n"
              "Value=0\nCount=2\n节日1=10月1日\n节日2=2026/05/01\nCount1=0\nCount2=2\n"
              "补班1=2026/09/27\n补班2=10月11日\n[时间设置]\n提醒音=Remind.wav\nSpare=60\n"
              "Ask=0\nFrom=08:00\nTo=22:05\nValue1=6.2\nValue2=0\n\n[通知设置]\n"
              "; 提前几分钟\n提前=5\n[倒计时器设置]\nTitle=开学倒计时\n"
              "DateTime=2026年9月1日 8:00\n");
}

// A file of the old system: GBK, CRLF, no make-up workdays. It loads as it always did, and a
// save keeps every key it had, written as UTF-8.
TEST(SystemSettingsFile, OldGbkFileLoadsUnchangedAndKeepsItsKeys) {
    QStringEncoder gbk("GBK");
    if (!gbk.isValid())
        GTEST_SKIP() << "this Qt has no GBK codec";
    TempFolder folder;
    const QString path = folder.file("veyranettimer.ini");
    const QString old = "[时间设置]\r\nSpare=30\r\nAsk=1\r\nFrom=07:30\r\nTo=22:00\r\n"
                        "Value1=5\r\nValue2=3\r\n[节假日设置]\r\nValue=4\r\nCount=2\r\n"
                        "节日1=10月1日\r\n节日2=2026/05/01\r\nCount1=1\r\n假日1=星期日\r\n"
                        "[倒计时器设置]\r\nTitle=高考倒计时\r\nDateTime=2026-6-7 9:00:00\r\n"
                        "[短信设置]\r\n号码=13800000000\r\n";
    const QByteArray bytes = gbk.encode(old);
    ASSERT_NE(bytes, old.toUtf8()); // really GBK
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    const SystemSettings s = SystemSettingsFile::Load(path, 2026);
    EXPECT_EQ(s.spare, "30");
    EXPECT_EQ(s.from, "07:30");
    EXPECT_EQ(s.holidayRate, "4");
    EXPECT_EQ(s.holidays, QStringList({"10月1日", "2026/05/01"}));
    EXPECT_EQ(s.restDays, QStringList({"星期日"}));
    EXPECT_TRUE(s.workdays.isEmpty());
    EXPECT_EQ(s.countdownTitle, "高考倒计时");

    ASSERT_TRUE(SystemSettingsFile::Save(s, path, 2026));
    // The same keys in the same places, with the make-up workdays' count added.
    const QString expected =
        "[时间设置]\nSpare=30\nAsk=1\nFrom=07:30\nTo=22:00\nValue1=5\nValue2=3\n"
        "[节假日设置]\nValue=4\nCount=2\n节日1=10月1日\n节日2=2026/05/01\nCount1=1\n"
        "假日1=星期日\nCount2=0\n[倒计时器设置]\nTitle=高考倒计时\nDateTime=2026-6-7 9:00:00\n"
        "[短信设置]\n号码=13800000000\n";
    EXPECT_EQ(FileText(path), expected);
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
    EXPECT_TRUE(s.workdays.isEmpty()); // none built in
    EXPECT_EQ(s.countdownTitle, "2027年1月1日倒计时");
    EXPECT_EQ(s.countdownDateTime, "2027-1-1 0:00:00");

    // A count present makes the file's entries the list, as it holds them; a missing entry
    // reads as empty. "Ask" other than 1 leaves the box unticked.
    WriteText(path, "[时间设置]\nAsk=2\nValue1= 6.20 \n[节假日设置]\nCount=3\n节日1=六一\n"
                    "节日2=5月1日\nCount1=none\nCount2=2\n补班2=2026/10/10\n");
    s = SystemSettingsFile::Load(path, 2026);
    EXPECT_FALSE(s.ask);
    EXPECT_EQ(s.dayRate, "6.20");
    EXPECT_EQ(s.holidays, QStringList({"六一", "5月1日", ""}));
    EXPECT_EQ(s.restDays, QStringList({"星期六", "星期日"}));
    EXPECT_EQ(s.workdays, QStringList({"", "2026/10/10"}));

    // A huge hand-edited count does not stall the window.
    WriteText(path, "[节假日设置]\nCount=1e12\nCount1=0\n");
    s = SystemSettingsFile::Load(path, 2026);
    EXPECT_EQ(s.holidays.size(), 10000);
    EXPECT_TRUE(s.restDays.isEmpty());
}

} // namespace
