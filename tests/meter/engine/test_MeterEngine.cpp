#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/TextConventions.h"
#include "meter/engine/MeterEngine.h"
#include "meter/store/IniFunctions.h"
#include "meter/store/RecordAccess.h"
#include "platform/fake/FakeClock.h"
#include "platform/fake/FakeDialUpNetwork.h"
#include "platform/fake/FakeRegistry.h"
#include "platform/fake/FakeReminderSound.h"
#include "platform/fake/ScriptedPrompter.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

// A Monday morning, inside the day band (6.2 yuan an hour by default).
const QDateTime Morning(QDate(2026, 3, 2), QTime(10, 0));
const QString Public = QStringLiteral("公用帐号");

struct Meter : ::testing::Test, FakePlatform {
    void SetUp() override {
        const QString path = folder.file(Store::FileName);
        OpenStore(path, Morning.date());
        ASSERT_TRUE(store.open(path));
        engine.Op_Click(5);
        engine.hsLoad();
        engine.Menvy();
    }

    void connectLink() {
        network.setConnected(true);
        engine.EvtTimer();
    }
    void dropLink() {
        network.setConnected(false);
        engine.EvtTimer();
    }
    // Runs the accounting tick every 500 ms for `ms`.
    void runFor(qint64 ms) {
        for (qint64 done = 0; done < ms; done += 500) {
            clock.advance(std::min<qint64>(500, ms - done));
            engine.Timer1();
        }
    }
    QVariant note(const QString& user, int count, const QString& column) {
        return SelectUserWhere(store, "Notes", user, column, "<none>", "Count", count);
    }
    int rows(const QString& sql) {
        StoreQuery query = store.query(sql);
        EXPECT_TRUE(query.next());
        return query.value(0).toInt();
    }
    void setIni(const QString& section, const QString& key, const QString& value) {
        WriteIni(section, key, value, folder.file("veyranettimer.ini"));
    }

    TempFolder folder;
    Store store;
    MeterEngine engine{engineServices(store, folder.path(), "/usr/bin/Dialtoll")};
};

TEST_F(Meter, LoadsAnEmptyStore) {
    const MeterFigures& f = engine.figures();
    EXPECT_EQ(f.Label7, "0 次");
    EXPECT_EQ(f.Label17, "0 次");
    EXPECT_EQ(f.Label13, "0 元");
    EXPECT_EQ(f.Label11, "0:00:00");
    EXPECT_EQ(f.Label19, "0:00:00");
    EXPECT_EQ(f.Label21, "0 元");
    EXPECT_EQ(f.Label30, "2027年1月1日倒计时");
    EXPECT_EQ(engine.state().CountdownTarget, "2027年1月1日 0:00:00");
    EXPECT_EQ(f.Label9, "6.2元/时");
    EXPECT_EQ(f.Label15, "0 人");
    EXPECT_EQ(f.Label5, "1800 秒");
    EXPECT_TRUE(engine.autoSaveEnabled());
    EXPECT_EQ(engine.autoSaveIntervalMs(), 30000);
    EXPECT_EQ(registry.value(RegistryRoot::LocalMachine, Registry::RunKey, Registry::RunValue),
              std::optional<QString>("/usr/bin/Dialtoll"));
}

TEST_F(Meter, OfflineTickOnlyWritesTheTitle) {
    const MeterFigures before = engine.figures();
    runFor(5000);
    EXPECT_EQ(engine.figures().TitLb, "Dialtoll(脱机)");
    EXPECT_EQ(engine.figures().Label38, before.Label38);
    EXPECT_EQ(engine.state().AllTmMs, 0);
}

TEST_F(Meter, OneHourAtSixPointTwo) {
    connectLink();
    runFor(3'600'000);
    const SessionState& s = engine.state();
    EXPECT_NEAR(s.ThisFee, 6.2, 1e-9);
    EXPECT_NEAR(s.UserFee, 6.2, 1e-9);
    EXPECT_NEAR(s.ShowFee, 6.2, 1e-9);
    EXPECT_NEAR(s.AllFee, 6.2, 1e-9);
    EXPECT_EQ(s.AllTmMs, 3'600'000);
    EXPECT_EQ(s.ShowTmMs, 3'600'000);
    EXPECT_EQ(engine.figures().TitLb, "Dialtoll(联机)");
    EXPECT_EQ(engine.figures().Label38, "6.20 元");
    EXPECT_EQ(engine.figures().Label11, "1:00:00");
    EXPECT_EQ(engine.figures().Label5, "-1800秒");
}

TEST_F(Meter, ALateTickChargesItsWholeIntervalAtItsRate) {
    connectLink();
    runFor(500);
    const double before = engine.state().ThisFee;
    clock.advance(2500);
    engine.Timer1();
    EXPECT_NEAR(engine.state().ThisFee - before, 6.2 * 2500 / 3'600'000, 1e-12);

    // The rate read at a tick prices the whole interval since the previous one.
    setIni("时间设置", "Value1", "12");
    engine.Menvy();
    EXPECT_EQ(engine.figures().Label9, "12元/时");
    const double beforeChange = engine.state().ThisFee;
    clock.advance(500);
    engine.Timer1();
    EXPECT_NEAR(engine.state().ThisFee - beforeChange, 12.0 * 500 / 3'600'000, 1e-12);

    setIni("时间设置", "Value1", "abc");
    engine.Menvy();
    const double beforeText = engine.state().ThisFee;
    runFor(1000);
    EXPECT_EQ(engine.state().ThisFee, beforeText);
}

TEST_F(Meter, RecordsAFirstAndALaterSessionWithCarriedTotals) {
    connectLink();
    EXPECT_EQ(engine.figures().Label7, "1 次");
    EXPECT_EQ(note(Public, 1, "FromD"), "20260302");
    EXPECT_EQ(note(Public, 1, "FromT"), "10:00:00");
    EXPECT_EQ(note("Master", 1, "ToT"), "10:00:00");
    // Opened with its first save: the carried totals and an end at its start.
    EXPECT_EQ(note(Public, 1, "ToD"), "20260302");
    EXPECT_EQ(note(Public, 1, "ToT"), "10:00:00");
    EXPECT_EQ(note(Public, 1, "AllTm"), 0LL);
    runFor(600'000);
    dropLink();

    EXPECT_EQ(note(Public, 1, "ThisTm"), 600LL);
    EXPECT_EQ(note(Public, 1, "AllTm"), 600LL);
    EXPECT_NEAR(note(Public, 1, "ThisMoney").toDouble(), 1.0333, 1e-9);
    EXPECT_EQ(note(Public, 1, "AllMoney"), note(Public, 1, "ThisMoney"));
    EXPECT_EQ(note(Public, 1, "ToT"), "10:10:00");
    EXPECT_EQ(note("Master", 1, "AllTm"), 600LL);
    EXPECT_EQ(note("Master", 1, "ThisTm"), 600LL);
    EXPECT_EQ(note("Master", 1, "ThisMoney"), "<none>");
    EXPECT_EQ(SelectUser(store, "UserSet", Public, "ShowTm", 0), 600LL);

    clock.advance(60'000);
    connectLink();
    EXPECT_EQ(engine.figures().Label7, "2 次");
    EXPECT_EQ(engine.figures().Label17, "2 次");
    runFor(300'000);
    dropLink();
    EXPECT_EQ(note(Public, 2, "ThisTm"), 300LL);
    EXPECT_EQ(note(Public, 2, "AllTm"), 900LL);
    EXPECT_NEAR(note(Public, 2, "AllMoney").toDouble(), 1.55, 1e-9);
    EXPECT_EQ(note("Master", 2, "AllTm"), 900LL);
    EXPECT_EQ(note(Public, 1, "ThisTm"), 600LL); // the first record is left alone
    EXPECT_EQ(rows("select count(*) from Notes"), 4);
}

// An earlier row with the same (User, Count), as a failed opening or the login window's
// count correction leaves it: the session's opening, its saves and its final save reach only
// the pair it inserted.
TEST_F(Meter, ASessionWritesOnlyItsOwnRowsBesideAnEarlierOneWithTheSameNumber) {
    const auto insertEarlier = [&](const QString& user) {
        EXPECT_TRUE(store.execute("insert into Notes (User,Count,FromD,FromT,ToD,ToT,ThisTm,"
                                  "AllTm,ThisMoney,AllMoney) values (?,1,'20260301','8:00:00',"
                                  "'20260301','8:30:00',1800,1800,3.1,3.1)",
                                  {user}));
        return rows("select max(rowid) from Notes");
    };
    const auto row = [&](int rowid) {
        StoreQuery query = store.query("select * from Notes where rowid=?", {rowid});
        QStringList values;
        if (query.next()) {
            for (const char* column : {"User", "Count", "FromD", "FromT", "ToD", "ToT", "ThisTm",
                                       "AllTm", "ThisMoney", "AllMoney"})
                values << query.value(column).toString();
        }
        return values.join('|').toStdString();
    };
    const int earlierUser = insertEarlier(Public);
    const int earlierMaster = insertEarlier("Master");
    const std::string earlierUserRow = row(earlierUser);
    const std::string earlierMasterRow = row(earlierMaster);
    ASSERT_EQ(earlierUserRow, "公用帐号|1|20260301|8:00:00|20260301|8:30:00|1800|1800|3.1|3.1");
    ASSERT_EQ(engine.figures().Label7, "0 次"); // the count does not know the earlier row

    connectLink();
    EXPECT_EQ(engine.figures().Label7, "1 次");
    EXPECT_EQ(row(earlierUser), earlierUserRow) << "opening";
    EXPECT_EQ(row(earlierMaster), earlierMasterRow) << "opening";
    const int sessionUser = earlierMaster + 1;
    const int sessionMaster = earlierMaster + 2;
    EXPECT_EQ(row(sessionUser), "公用帐号|1|20260302|10:00:00|20260302|10:00:00|0|0|0|0");
    EXPECT_EQ(row(sessionMaster), "Master|1|20260302|10:00:00|20260302|10:00:00|0|0||0");

    runFor(30'000);
    engine.AutoSave();
    EXPECT_EQ(row(earlierUser), earlierUserRow) << "auto-save";
    EXPECT_EQ(row(earlierMaster), earlierMasterRow) << "auto-save";

    runFor(30'000);
    dropLink();
    EXPECT_EQ(row(earlierUser), earlierUserRow) << "final save";
    EXPECT_EQ(row(earlierMaster), earlierMasterRow) << "final save";
    EXPECT_EQ(row(sessionUser),
              "公用帐号|1|20260302|10:00:00|20260302|10:01:00|60|60|0.1033|0.1033");
    EXPECT_EQ(row(sessionMaster), "Master|1|20260302|10:00:00|20260302|10:01:00|60|60||0.1033");
}

TEST_F(Meter, StoresWholeSecondsAndFourDecimals) {
    connectLink();
    clock.advance(95'600);
    engine.Timer1();
    dropLink();
    EXPECT_EQ(note(Public, 1, "ThisTm"), 96LL);
    EXPECT_EQ(note(Public, 1, "ThisMoney"), 0.1646); // 6.2 * 95.6 / 3600 = 0.16464…
}

// The all-users fee continues from the unrounded total, not from its display.
TEST_F(Meter, AllUsersFeeCarriesTheUnroundedTotal) {
    connectLink();
    clock.advance(1000);
    engine.Timer1();
    dropLink();
    const double first = engine.state().AllFee;
    EXPECT_EQ(engine.figures().Label21, "0.00 元");
    connectLink();
    EXPECT_DOUBLE_EQ(engine.state().AllFee, first);
}

// Reloading the context during a session keeps the all-users totals that are ahead of the
// last save.
TEST_F(Meter, AReloadDuringASessionKeepsTheRunningTotals) {
    connectLink();
    runFor(20'000);
    engine.hsLoad();
    EXPECT_EQ(engine.state().AllTmMs, 20'000);
    EXPECT_NEAR(engine.state().AllFee, 6.2 * 20 / 3600, 1e-12);
    dropLink();
    EXPECT_EQ(note("Master", 1, "AllTm"), 20LL);
}

TEST_F(Meter, AdministratorSettingsDriveAutoSaveAndExitPassword) {
    UpdateUserField(store, "Masterset", "Master", "AutoSave", "0");
    UpdateUserField(store, "Masterset", "Master", "Space", "10");
    UpdateUserField(store, "Masterset", "Master", "UsePass", "1");
    UpdateUserField(store, "Masterset", "Master", "AutoRun", "0");
    engine.hsLoad();
    EXPECT_FALSE(engine.autoSaveEnabled());
    EXPECT_EQ(engine.autoSaveIntervalMs(), 10000);
    EXPECT_TRUE(engine.extPass());
    EXPECT_EQ(registry.value(RegistryRoot::LocalMachine, Registry::RunKey, Registry::RunValue),
              std::nullopt);

    // Only CanExt lifts the exit password.
    UpdateUserField(store, "Masterset", "Master", "UsePass", "0");
    engine.hsLoad();
    EXPECT_TRUE(engine.extPass());
    engine.CanExt(false);
    EXPECT_FALSE(engine.extPass());

    UpdateUserField(store, "Masterset", "Master", "Space", "0");
    engine.hsLoad();
    EXPECT_FALSE(engine.autoSaveEnabled());
}

TEST_F(Meter, WithAutoSaveOffOnlyTheFinalSaveWrites) {
    UpdateUserField(store, "Masterset", "Master", "AutoSave", "0");
    engine.hsLoad();
    connectLink();
    runFor(10'000);
    EXPECT_EQ(note(Public, 1, "ThisTm"), 0LL); // only the opening's save
    dropLink();
    EXPECT_EQ(note(Public, 1, "ThisTm"), 10LL);
    EXPECT_EQ(note("Master", 1, "ThisTm"), 10LL);
}

TEST_F(Meter, UserSetStoresTheDisplayedTotalsOnly) {
    engine.UserSet(3600, 12.5);
    EXPECT_EQ(SelectUser(store, "UserSet", Public, "ShowTm", 0), 3600LL);
    EXPECT_EQ(SelectUser(store, "UserSet", Public, "ShowMoney", 0), 12.5);
    EXPECT_EQ(rows("select count(*) from Notes"), 0);
    engine.hsLoad();
    EXPECT_EQ(engine.figures().Label13, "12.5 元");
    EXPECT_EQ(engine.figures().Label11, "1:00:00");
}

// A log-on while no link is up opens no records.
TEST_F(Meter, HsLinkedWithoutALinkInsertsNothing) {
    engine.setLoginGranted(true);
    engine.HsLinked();
    EXPECT_EQ(rows("select count(*) from Notes"), 0);
    EXPECT_EQ(engine.figures().Label7, "0 次");
}

// While a link waits for a log-on, saves leave the earlier session's record alone.
TEST_F(Meter, ALinkWaitingForALogOnWritesNothing) {
    connectLink();
    runFor(20'000);
    dropLink();
    const QVariant finishedTm = note(Public, 1, "ThisTm");

    UpdateUserField(store, "Masterset", "Master", "More", "1");
    QStringList contexts;
    QObject::connect(&engine, &MeterEngine::loginRequested,
                     [&](const QString& context) { contexts << context; });
    connectLink();
    EXPECT_EQ(contexts, QStringList({"0"}));
    runFor(60'000);
    engine.AutoSave();
    dropLink();
    EXPECT_EQ(rows("select count(*) from Notes"), 2);
    EXPECT_EQ(note(Public, 1, "ThisTm"), finishedTm);
}

// A failing HsLinked still starts the session's fee and tick afresh.
TEST_F(Meter, FailedHsLinkedStillResetsTheSessionFee) {
    connectLink();
    runFor(60'000);
    dropLink();
    store.close();
    clock.advance(3'600'000);
    connectLink();
    EXPECT_EQ(engine.state().ThisFee, 0);
    runFor(500);
    EXPECT_NEAR(engine.state().ThisFee, 6.2 * 500 / 3'600'000, 1e-12);
}

TEST(MeterTick, DoesNotWrapAfterFortyNineDays) {
    TempFolder folder;
    Store store;
    OpenStore(folder.file(Store::FileName), Morning.date());
    ASSERT_TRUE(store.open(folder.file(Store::FileName)));
    FakeClock clock(Morning, (qint64(1) << 32) - 1000);
    FakeDialUpNetwork network;
    FakeReminderSound sound;
    FakeRegistry registry;
    ScriptedPrompter prompter;
    MeterEngine engine({clock, store, network, sound, registry, prompter, folder.path(), "x"});
    engine.Menvy();
    network.setConnected(true);
    engine.EvtTimer();
    clock.advance(3000); // across 2^32 ms
    engine.Timer1();
    EXPECT_EQ(engine.state().AllTmMs, 3000);
    EXPECT_NEAR(engine.state().ThisFee, 6.2 * 3000 / 3'600'000, 1e-12);
}

struct PlannedTime : Meter {
    // Runs the connection until the planned time is used up.
    void useUpPlan() {
        connectLink();
        runFor(static_cast<qint64>(engine.state().PlanSecs) * 1000);
        ASSERT_LE(NumberFromLabel(), 0);
    }
    double NumberFromLabel() { return NumberFromText(engine.figures().Label5); }
};

TEST_F(PlannedTime, TimeUpAnsweredYesHangsUp) {
    // The owner's timer is stopped before the question and started only after the answer.
    QStringList timer;
    QObject::connect(&engine, &MeterEngine::tmerStopRequested,
                     [&] { timer << QStringLiteral("stop %1").arg(prompter.messages().size()); });
    QObject::connect(&engine, &MeterEngine::tmerStartRequested, [&] {
        timer << QStringLiteral("start %1 %2")
                     .arg(prompter.messages().size())
                     .arg(network.hangUpCount());
    });
    engine.Op_Click(0);
    useUpPlan();
    prompter.answerNext(true);
    engine.Tmer();
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().at(0).text, "计划上网时间已到，是否断开连接？");
    EXPECT_EQ(network.hangUpCount(), 1);
    EXPECT_EQ(timer, QStringList({"stop 0", "start 1 1"}));
    // Still reported up at the next check: asked again.
    prompter.answerNext(true);
    engine.Tmer();
    EXPECT_EQ(prompter.messages().size(), 2);
}

TEST_F(PlannedTime, TimeUpAnsweredNoExtendsThePlan) {
    struct Case {
        int preset; // -1: custom
        QString custom;
        int selectedAfter;
        QString customAfter;
        double planAfter;
    };
    const Case cases[] = {
        {5, "120", 6, "120", 35 * 60},
        {19, "120", -1, "120", 120 * 60},
        {19, "60", -1, "105", 105 * 60},
        {-1, "120", -1, "125", 125 * 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preset);
        engine.setCustomText(c.custom);
        if (c.preset < 0)
            engine.Opt_Click();
        else
            engine.Op_Click(c.preset);
        useUpPlan();
        prompter.answerNext(false);
        engine.Tmer();
        EXPECT_EQ(engine.selectedPreset(), c.selectedAfter);
        EXPECT_EQ(engine.customSelected(), c.selectedAfter < 0);
        EXPECT_EQ(engine.customText(), c.customAfter);
        EXPECT_EQ(engine.state().PlanSecs, c.planAfter);
        EXPECT_EQ(network.hangUpCount(), 0);
        dropLink();
    }
}

TEST_F(PlannedTime, WithoutAskingItHangsUpAtOnce) {
    setIni("时间设置", "Ask", "0");
    engine.Op_Click(0);
    useUpPlan();
    engine.Tmer();
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(network.hangUpCount(), 1);
}

TEST_F(PlannedTime, RemindsAtTheLeadTime) {
    engine.Op_Click(1); // 600 s
    connectLink();
    runFor(539'500);
    engine.Tmer();
    EXPECT_EQ(sound.playCount(), 0);
    runFor(500);
    EXPECT_EQ(engine.figures().Label5, "60秒");
    engine.Tmer();
    EXPECT_EQ(sound.playCount(), 1);
}

TEST_F(PlannedTime, AChoiceNearTheEndAsksFirst) {
    engine.Op_Click(5);
    EXPECT_TRUE(prompter.messages().isEmpty()); // no session yet: never asks
    connectLink();
    runFor(1795'000);
    prompter.answerNext(false);
    engine.Op_Click(5);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().at(0).text,
              "如将计划上网时间改为:30 分钟，很快将断开连接，是否断续？");
    EXPECT_EQ(engine.selectedPreset(), 5);
    engine.Op_Click(0);
    EXPECT_EQ(engine.state().PlanSecs, 1800); // No left the plan as it was
}

TEST_F(PlannedTime, HelpTextsShowTheRemainingTime) {
    EXPECT_EQ(engine.presetHelpText(1),
              "将本次上网时间设置为：10 分钟，时间一到询问是否断开连接或自动断开连接。\r\n"
              "如将计划时间更为该值，则本次剩余时间为:600秒。");
    connectLink();
    runFor(100'000);
    engine.setCustomText("45");
    EXPECT_EQ(engine.customHelpText(),
              "将本次上网时间设置为：45 分钟，时间一到询问是否断开连接或自动断开连接。\r\n"
              "如将计划时间更为该值，则本次剩余时间为:2600.00秒。");
}

} // namespace
