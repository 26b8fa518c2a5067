#include "meter/store/IniFile.h"
#include "meter/store/IniFunctions.h"
#include "meter/store/IniLayout.h"
#include "support/FileSizeLimit.h"
#include "support/PermissionsEnforced.h"
#include "support/TempFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringConverter>
#include <gtest/gtest.h>

namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

class IniFileTest : public ::testing::Test {
protected:
    TempFolder m_folder;
    QString m_path = m_folder.file(QStringLiteral("veyranettimer.ini"));
};

TEST_F(IniFileTest, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(ReadIni("时间设置", "Spare", "60", m_path), "60");
    EXPECT_FALSE(QFile::exists(m_path));

    writeBytes(m_path, "[时间设置]\nAsk=0\n");
    EXPECT_EQ(ReadIni("时间设置", "Spare", "60", m_path), "60");
    EXPECT_EQ(ReadIni("节假日设置", "Ask", "1", m_path), "1");
    EXPECT_EQ(ReadIni("时间设置", "Ask", "1", m_path), "0");
}

TEST_F(IniFileTest, ValuesAndKeysAreTrimmedAndLinesMayEndInCrLf) {
    writeBytes(m_path, "\xEF\xBB\xBF[时间设置]\r\n  Value1 =   6.2  \r\nValue2=\t4.2\r\n"
                       "[ 节假日设置 ]\r\nValue=\r\n");
    EXPECT_EQ(ReadIni("时间设置", "Value1", "x", m_path), "6.2");
    EXPECT_EQ(ReadIni("时间设置", "Value2", "x", m_path), "4.2");
    EXPECT_EQ(ReadIni("节假日设置", "Value", "x", m_path), "");
}

TEST_F(IniFileTest, SectionsAndKeysMatchWithoutLetterCaseAndFirstOccurrenceWins) {
    writeBytes(m_path, "[Time]\nSpare=30\nSPARE=40\n[time]\nAsk=0\n");
    EXPECT_EQ(ReadIni("TIME", "spare", "60", m_path), "30");
    // Only the first of two equal sections counts.
    EXPECT_EQ(ReadIni("time", "Ask", "1", m_path), "1");

    ASSERT_TRUE(WriteIni("tImE", "sPaRe", "45", m_path));
    EXPECT_EQ(readBytes(m_path), "[Time]\nSpare=45\nSPARE=40\n[time]\nAsk=0\n");
}

TEST_F(IniFileTest, WriteReplacesOrAppendsAndKeepsEverythingElse) {
    writeBytes(m_path, "; written by hand\n[A]\nk1=1\nk2=2\n\n[B]\nk3=3\n");

    ASSERT_TRUE(WriteIni("A", "k2", "two", m_path));
    ASSERT_TRUE(WriteIni("A", "k4", "4", m_path));
    ASSERT_TRUE(WriteIni("C", "k5", "5", m_path));
    ASSERT_TRUE(WriteIni("B", "k6", "6", m_path));

    EXPECT_EQ(readBytes(m_path), "; written by hand\n[A]\nk1=1\nk2=two\nk4=4\n\n[B]\nk3=3\nk6=6\n"
                                 "[C]\nk5=5\n");
    EXPECT_EQ(ReadIni("A", "k1", "", m_path), "1");
    EXPECT_EQ(ReadIni("A", "k4", "", m_path), "4");
}

TEST_F(IniFileTest, WriteCreatesTheFileButNoFolder) {
    ASSERT_TRUE(WriteIni("时间", "Value", "Custom", m_path));
    EXPECT_EQ(readBytes(m_path), QStringLiteral("[时间]\nValue=Custom\n").toUtf8());

    const QString inMissingFolder = m_folder.file(QStringLiteral("missing/Setting.ini"));
    EXPECT_FALSE(WriteIni("时间", "Value", "5", inMissingFolder));
    EXPECT_FALSE(QDir(m_folder.file(QStringLiteral("missing"))).exists());
}

TEST_F(IniFileTest, LineBreaksInAValueCannotAddKeys) {
    ASSERT_TRUE(WriteIni("倒计时器设置", "Title", "新年\nDateTime=2000-1-1 0:00:00", m_path));
    EXPECT_EQ(ReadIni("倒计时器设置", "DateTime", "none", m_path), "none");
    EXPECT_EQ(ReadIni("倒计时器设置", "Title", "", m_path), "新年 DateTime=2000-1-1 0:00:00");
}

TEST_F(IniFileTest, GbkFileFromTheOldSystemReadsItsChineseText) {
    QStringEncoder gbk("GBK");
    if (!gbk.isValid())
        GTEST_SKIP() << "this Qt has no GBK codec";
    const QByteArray bytes =
        gbk.encode(QStringLiteral("[节假日设置]\r\nCount=1\r\n节日1=10月1日\r\n"
                                  "假日1=星期六\r\n"));
    // The same text as UTF-8 would differ: the test really reads GBK bytes.
    ASSERT_NE(bytes, QStringLiteral("[节假日设置]").toUtf8());
    writeBytes(m_path, bytes);

    EXPECT_EQ(ReadIni("节假日设置", "节日1", "", m_path), "10月1日");
    EXPECT_EQ(ReadIni("节假日设置", "假日1", "", m_path), "星期六");

    // A rewrite turns the whole file into UTF-8 without losing a key.
    ASSERT_TRUE(WriteIni("节假日设置", "Count", "1", m_path));
    EXPECT_EQ(readBytes(m_path),
              QStringLiteral("[节假日设置]\nCount=1\n节日1=10月1日\n假日1=星期六\n").toUtf8());
}

// One stray byte in a UTF-8 file spoils its own line only; every other setting still reads.
TEST_F(IniFileTest, StrayByteInUtf8FileSpoilsOnlyItsLine) {
    if (!QStringDecoder("GBK").isValid())
        GTEST_SKIP() << "this Qt has no GBK codec";
    const QByteArray junkLine("Junk=\xff\xfe\x80\n");
    writeBytes(m_path,
               QStringLiteral("[时间设置]\nValue1=36\n").toUtf8() + junkLine +
                   QStringLiteral("Value2=36\n[节假日设置]\nValue=36\n节日1=10月1日\n").toUtf8());
    EXPECT_EQ(ReadIni("时间设置", "Value1", "6.2", m_path), "36");
    EXPECT_EQ(ReadIni("时间设置", "Value2", "4.2", m_path), "36");
    EXPECT_EQ(ReadIni("节假日设置", "Value", "4.2", m_path), "36");
    EXPECT_EQ(ReadIni("节假日设置", "节日1", "", m_path), "10月1日");
}

// A GBK file stays GBK even where one of its lines happens to be valid UTF-8 as well.
TEST_F(IniFileTest, MostlyGbkFileIsGbkThroughout) {
    QStringEncoder gbk("GBK");
    if (!gbk.isValid())
        GTEST_SKIP() << "this Qt has no GBK codec";
    // 时 in GBK is CA B1, a valid two-byte UTF-8 sequence.
    const QByteArray ambiguous = gbk.encode(QStringLiteral("Title=时"));
    ASSERT_TRUE(QString::fromUtf8(ambiguous).toUtf8() == ambiguous);
    writeBytes(m_path, gbk.encode(QStringLiteral("[倒计时器设置]\n")) + ambiguous +
                           gbk.encode(QStringLiteral("\nDateTime=2027年1月1日\n")));
    EXPECT_EQ(ReadIni("倒计时器设置", "Title", "", m_path), "时");
    EXPECT_EQ(ReadIni("倒计时器设置", "DateTime", "", m_path), "2027年1月1日");
}

TEST_F(IniFileTest, Utf8ChineseRoundTrip) {
    const QString title = QStringLiteral("2025年1月1日倒计时 «春节» ✓");
    ASSERT_TRUE(WriteIni("倒计时器设置", "Title", title, m_path));
    EXPECT_EQ(ReadIni("倒计时器设置", "Title", "", m_path), title);

    IniFile file(m_path);
    ASSERT_TRUE(file.load());
    EXPECT_EQ(file.value("倒计时器设置", "title", ""), title);
}

TEST_F(IniFileTest, WriteLeavesNoTemporaryFileBehind) {
    ASSERT_TRUE(WriteIni("时间", "Value", "3", m_path));
    ASSERT_TRUE(WriteIni("时间", "Custom", "90", m_path));
    ASSERT_TRUE(WriteIni("时间", "Value", "Custom", m_path));
    EXPECT_EQ(
        QDir(m_folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("veyranettimer.ini")});
}

TEST_F(IniFileTest, ReadOnlyFolderFailsAndKeepsTheOldFile) {
    writeBytes(m_path, "[时间]\nValue=3\n");
    const QFileDevice::Permissions writable = QFile::permissions(m_folder.path());
    ASSERT_TRUE(
        QFile::setPermissions(m_folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    struct RestorePermissions {
        QString path;
        QFileDevice::Permissions permissions;
        ~RestorePermissions() { QFile::setPermissions(path, permissions); }
    } restore{m_folder.path(), writable};
    // The suite may run as root, which would write into the folder regardless.
    const PermissionsEnforced enforced;
    ASSERT_TRUE(enforced.active()) << "cannot drop the permission override capabilities";

    EXPECT_FALSE(WriteIni("时间", "Value", "7", m_path));
    EXPECT_EQ(readBytes(m_path), "[时间]\nValue=3\n");
    EXPECT_EQ(ReadIni("时间", "Value", "5", m_path), "3");
    EXPECT_EQ(
        QDir(m_folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("veyranettimer.ini")});

    // A "folder" that is a regular file holds nothing, for any user.
    const QString notAFolder = m_folder.file(QStringLiteral("veyranettimer.ini/Setting.ini"));
    EXPECT_FALSE(WriteIni("时间", "Value", "7", notAFolder));
    EXPECT_EQ(readBytes(m_path), "[时间]\nValue=3\n");
}

// A write that breaks off part-way (a full disk) never replaces the old file with a piece.
TEST_F(IniFileTest, WriteThatBreaksOffKeepsTheOldFile) {
    writeBytes(m_path, "[时间]\nValue=3\nCustom=120\n");
    {
        // The limit binds every user, root too.
        const FileSizeLimit limit(8);
        ASSERT_TRUE(limit.active()) << "cannot limit the file size";
        EXPECT_FALSE(WriteIni("时间", "Value", "7", m_path));
    }
    EXPECT_EQ(readBytes(m_path), "[时间]\nValue=3\nCustom=120\n");
    EXPECT_EQ(
        QDir(m_folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
        QStringList{QStringLiteral("veyranettimer.ini")});
    // With room again the same write goes through.
    EXPECT_TRUE(WriteIni("时间", "Value", "7", m_path));
    EXPECT_EQ(ReadIni("时间", "Value", "5", m_path), "7");
}

TEST_F(IniFileTest, RewriteWithFewerNumberedKeysDropsTheOldOnes) {
    using namespace IniLayout::Settings;
    IniFile file(m_path);
    file.setValue(TimeSection, SpareKey, "30");
    file.setValue(HolidaySection, HolidayCountKey, "7");
    for (int i = 1; i <= 7; ++i)
        file.setValue(HolidaySection, NumberedKey(HolidayKeyPrefix, i), QString("%1月1日").arg(i));
    ASSERT_TRUE(file.save());
    ASSERT_EQ(ReadIni(HolidaySection, "节日7", "", m_path), "7月1日");

    IniFile again(m_path);
    ASSERT_TRUE(again.load());
    again.clear();
    again.setValue(HolidaySection, HolidayCountKey, "3");
    for (int i = 1; i <= 3; ++i)
        again.setValue(HolidaySection, NumberedKey(HolidayKeyPrefix, i), QString("%1月2日").arg(i));
    ASSERT_TRUE(again.save());

    EXPECT_EQ(ReadIni(HolidaySection, HolidayCountKey, DefaultCount, m_path), "3");
    EXPECT_EQ(ReadIni(HolidaySection, "节日3", "", m_path), "3月2日");
    EXPECT_EQ(ReadIni(HolidaySection, "节日4", "none", m_path), "none");
    EXPECT_EQ(ReadIni(HolidaySection, "节日7", "none", m_path), "none");
    EXPECT_EQ(ReadIni(TimeSection, SpareKey, DefaultSpare, m_path), "60");
}

TEST(IniLayoutTest, CountdownDefaultsPointAtNextNewYear) {
    using namespace IniLayout::Settings;
    EXPECT_EQ(DefaultCountdownTitle(2024), QStringLiteral("2025年1月1日倒计时"));
    EXPECT_EQ(DefaultCountdownDateTimeDashed(2024), QStringLiteral("2025-1-1 0:00:00"));
    EXPECT_EQ(DefaultCountdownDateTimeChinese(1999), QStringLiteral("2000年1月1日 0:00:00"));
    EXPECT_EQ(NumberedKey(RestDayKeyPrefix, 12), QStringLiteral("假日12"));
}

} // namespace

// Repeated reads come from memory only while the file is unchanged.
TEST(IniFileRereads, SeesEveryChangeOfTheFile) {
    TempFolder folder;
    const QString path = folder.file("veyranettimer.ini");
    WriteIni("时间设置", "Value1", "6.2", path);
    // An old, settled file: its content may be served from memory.
    const QDateTime old = QDateTime::currentDateTime().addSecs(-60);
    auto setOld = [&] {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
    };
    setOld();
    EXPECT_EQ(ReadIni("时间设置", "Value1", "", path), "6.2");
    EXPECT_EQ(ReadIni("时间设置", "Value1", "", path), "6.2");

    // Rewritten through a new file: a new identity.
    WriteIni("时间设置", "Value1", "7.5", path);
    setOld();
    EXPECT_EQ(ReadIni("时间设置", "Value1", "", path), "7.5");

    // Rewritten in place with the same size and the same old time: the change time moves.
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray bytes = file.readAll();
        bytes.replace("7.5", "8.5");
        file.seek(0);
        file.write(bytes);
    }
    setOld();
    EXPECT_EQ(ReadIni("时间设置", "Value1", "", path), "8.5");

    QFile::remove(path);
    EXPECT_EQ(ReadIni("时间设置", "Value1", "none", path), "none");
}
