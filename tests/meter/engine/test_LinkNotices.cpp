#include "common/OpenStore.h"
#include "common/Store.h"
#include "meter/engine/LinkNotices.h"
#include "meter/engine/MeterEngine.h"
#include "meter/settings/SystemSettingsFile.h"
#include "meter/store/IniFunctions.h"
#include "platform/fake/FakeNotifier.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

const QDateTime Morning(QDate(2026, 3, 2), QTime(10, 0));

struct Notices : ::testing::Test, FakePlatform {
    void SetUp() override {
        const QString path = folder.file(Store::FileName);
        OpenStore(path, Morning.date());
        ASSERT_TRUE(store.open(path));
        engine.Op_Click(1); // 10 minutes
        engine.hsLoad();
        if (m_tariffKnown)
            engine.Menvy();
    }
    void setLink(bool up) {
        network.setConnected(up);
        engine.EvtTimer();
    }
    void runFor(qint64 ms) {
        for (qint64 done = 0; done < ms; done += 500) {
            clock.advance(std::min<qint64>(500, ms - done));
            engine.Timer1();
        }
    }
    QStringList said() const {
        QStringList lines;
        for (const FakeNotifier::Notice& n : notifier.notices())
            lines << n.summary + u'|' + n.body;
        return lines;
    }
    QString ini() const { return folder.file("veyranettimer.ini"); }

    TempFolder folder;
    Store store;
    MeterEngine engine{engineServices(store, folder.path(), "/usr/bin/Dialtoll")};
    FakeNotifier notifier;
    LinkNotices notices{engine, notifier, ini()};
    bool m_tariffKnown = true;
};

// Started a moment ago: the tariff timer has not set the rate yet.
struct NoticesAtStart : Notices {
    NoticesAtStart() { m_tariffKnown = false; }
};

TEST_F(Notices, ALinkUpAndDownSaysWhoPaysWhatAndHowLong) {
    setLink(true);
    runFor(90'000);
    setLink(false);
    EXPECT_EQ(said(), QStringList({"已联机|计费用户：公用帐号，费率：6.2元/时",
                                   "已断开连接|本次上网时间：0:01:30，费用：0.16 元"}));
}

TEST_F(NoticesAtStart, ALinkUpBeforeTheFirstRateWaitsForIt) {
    ASSERT_TRUE(engine.figures().Label9.isEmpty());
    setLink(true);
    runFor(500);
    EXPECT_TRUE(notifier.notices().isEmpty());
    engine.Menvy();
    engine.Menvy();
    EXPECT_EQ(said(), QStringList({"已联机|计费用户：公用帐号，费率：6.2元/时"}));
}

TEST_F(NoticesAtStart, ALinkDownBeforeTheRateSaysOnlyTheEnd) {
    setLink(true);
    setLink(false);
    engine.Menvy();
    ASSERT_EQ(said().size(), 1);
    EXPECT_TRUE(said().constFirst().startsWith("已断开连接|")) << said().join(' ').toStdString();
}

TEST_F(Notices, TheReminderAndTheTimeUpAreSaidOncePerPlan) {
    setLink(true);
    runFor(540'000);
    ASSERT_EQ(engine.figures().Label5, "60秒");
    // The check runs more often than the figure changes: the sound may play twice, the
    // notice comes once.
    engine.Tmer();
    engine.Tmer();
    EXPECT_EQ(sound.playCount(), 2);
    runFor(60'000);
    prompter.answerNext(false); // extends the plan by five minutes
    engine.Tmer();
    runFor(500);
    engine.Tmer(); // the extended plan is not up yet
    EXPECT_EQ(said().mid(1), QStringList({"计划上网时间快到了|还剩 60 秒。",
                                          "计划上网时间已到|计费用户：公用帐号，计划的 10 "
                                          "分钟已用完。"}));
    // The extended plan reminds again.
    runFor(239'500);
    ASSERT_EQ(engine.figures().Label5, "60秒");
    engine.Tmer();
    EXPECT_EQ(said().size(), 4);
    EXPECT_EQ(said().last(), "计划上网时间快到了|还剩 60 秒。");
}

TEST_F(Notices, NothingIsSaidOffLine) {
    // A named account's reminder sounds off line too, whenever the figure shows its lead time.
    engine.setCurrentUser("张三");
    engine.setCustomText("1");
    engine.Opt_Click();
    ASSERT_EQ(engine.figures().Label5, "60 秒");
    engine.Tmer();
    EXPECT_EQ(sound.playCount(), 1);
    // After a session that used up its plan the check goes on hanging up off line.
    engine.setCurrentUser("公用帐号");
    setLink(true);
    runFor(61'000);
    setLink(false);
    notifier.clear();
    engine.Tmer();
    engine.Tmer();
    EXPECT_EQ(network.hangUpCount(), 2);
    EXPECT_TRUE(notifier.notices().isEmpty());
}

TEST_F(Notices, TheIniSwitchTurnsThemOff) {
    struct Case {
        QString value; // empty: no key
        bool on;
    };
    for (const Case& c : {Case{"", true}, Case{"1", true}, Case{" 0 ", false}, Case{"0", false}}) {
        SCOPED_TRACE(c.value.toStdString());
        QFile::remove(ini());
        if (!c.value.isEmpty())
            WriteIni("通知", "启用", c.value, ini());
        notifier.clear();
        setLink(true);
        setLink(false);
        EXPECT_EQ(notifier.notices().size(), c.on ? 2 : 0);
    }
}

TEST(NoticeSetting, TheSettingsWindowsSaveKeepsIt) {
    TempFolder folder;
    const QString ini = folder.file("veyranettimer.ini");
    WriteIni("通知", "启用", "0", ini);
    ASSERT_TRUE(SystemSettingsFile::Save(SystemSettingsFile::Load(ini, 2026), ini, 2026));
    EXPECT_EQ(ReadIni("通知", "启用", "<none>", ini), "0");
    EXPECT_EQ(ReadIni("时间设置", "Spare", "<none>", ini), "60");
}

} // namespace
