#include "common/OpenStore.h"
#include "common/Store.h"
#include "meter/engine/MeterEngine.h"
#include "meter/store/RecordAccess.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeDialUpNetwork.h"
#include "platform/fake/FakeRegistry.h"
#include "platform/fake/FakeReminderSound.h"
#include "platform/fake/ScriptedPrompter.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

const QString Profile = QStringLiteral(".DEFAULT\\RemoteAccess\\Profile\\Modem");

struct Clock3 : ::testing::Test, FakePlatform {
    void SetUp() override {
        OpenStore(folder.file(Store::FileName), QDate(2026, 3, 8));
        ASSERT_TRUE(store.open(folder.file(Store::FileName)));
        registry.preset(RegistryRoot::Users, Registry::DialUpKey, Registry::DefaultDialUpValue,
                        "Modem");
        registry.preset(RegistryRoot::Users, Profile, Registry::AutoConnectValue, "1");
    }
    // Sets the public account's countdown target, then ticks at `now`.
    void tickAt(const QDateTime& now, const QString& target) {
        clock.setNow(now);
        writeTarget(target);
        engine.Timer3();
    }
    void writeTarget(const QString& target) {
        QFile ini(folder.file("veyranettimer.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[倒计时器设置]\nDateTime=%1\n").arg(target).toUtf8());
        ini.close();
        engine.hsLoad();
    }
    std::optional<QString> autoConnect() {
        return registry.value(RegistryRoot::Users, Profile, Registry::AutoConnectValue);
    }

    TempFolder folder;
    Store store;
    MeterEngine engine{engineServices(store, folder.path(), "x")};
};

TEST_F(Clock3, CountsDownToTheTarget) {
    struct Case {
        QDateTime now;
        QString target;
        QString seconds, hours, days;
    };
    const Case cases[] = {
        {QDateTime(QDate(2001, 3, 8), QTime(9, 5, 3)), "2001-3-8 10:05:03", "3600 秒", "1 时",
         "0 日"},
        {QDateTime(QDate(2001, 3, 8), QTime(23, 58)), "2001年3月9日 0:00:00", "120 秒", "1 时",
         "1 日"},
        {QDateTime(QDate(2001, 3, 8), QTime(9, 59, 59)), "2001-3-8 10:00:00", "1 秒", "1 时",
         "0 日"},
        {QDateTime(QDate(2001, 3, 9), QTime(12, 0)), "2001-3-8 12:00:00", "-86400 秒", "-24 时",
         "-1 日"},
    };
    for (const Case& c : cases) {
        tickAt(c.now, c.target);
        EXPECT_EQ(engine.figures().SSL, c.seconds) << c.target.toStdString();
        EXPECT_EQ(engine.figures().HHS, c.hours) << c.target.toStdString();
        EXPECT_EQ(engine.figures().DDS, c.days) << c.target.toStdString();
    }
    EXPECT_EQ(engine.figures().NowL, "2001年03月09日");
    EXPECT_EQ(engine.figures().TimeL, "12:00:00");
}

TEST_F(Clock3, ATargetThatIsNotADateLeavesTheCountdown) {
    tickAt(QDateTime(QDate(2001, 3, 8), QTime(9, 5, 3)), "2001-3-8 10:05:03");
    tickAt(QDateTime(QDate(2001, 3, 8), QTime(9, 5, 4)), "明年元旦");
    EXPECT_EQ(engine.figures().SSL, "3600 秒");
    EXPECT_EQ(engine.figures().TimeL, "09:05:04");
}

TEST_F(Clock3, RemovesAutomaticDiallingOnlyUnderMultiUserOffLine) {
    engine.Timer3();
    EXPECT_EQ(autoConnect(), std::optional<QString>("1")); // multi-user management off

    UpdateUserField(store, "Masterset", "Master", "More", "1");
    network.setConnected(true);
    engine.EvtTimer();
    engine.Timer3();
    EXPECT_EQ(autoConnect(), std::optional<QString>("1")); // a connection is up

    network.setConnected(false);
    engine.EvtTimer();
    engine.Timer3();
    EXPECT_EQ(autoConnect(), std::nullopt);
}

} // namespace
