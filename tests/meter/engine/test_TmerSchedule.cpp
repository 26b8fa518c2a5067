#include "common/OpenStore.h"
#include "common/Store.h"
#include "common/TextConventions.h"
#include "meter/engine/MeterEngine.h"
#include "meter/engine/TmerSchedule.h"
#include "meter/store/IniFunctions.h"
#include "meter/store/IniLayout.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>
#include <limits>

namespace {

const QDateTime Morning(QDate(2026, 3, 2), QTime(10, 0));

// The engine on a fake clock with the schedule wired as the main window wires it: after every
// accounting tick (at its own pace and at each due moment) Tmer runs when the schedule says so.
struct Schedule : ::testing::Test, FakePlatform {
    void SetUp() override {
        const QString path = folder.file(Store::FileName);
        OpenStore(path, Morning.date());
        ASSERT_TRUE(store.open(path));
        engine.Op_Click(0); // 5 minutes
        engine.hsLoad();
        engine.Menvy();
        setIni(IniLayout::Settings::SpareKey, "30");
        QObject::connect(&engine, &MeterEngine::tmerStopRequested, &schedule, &TmerSchedule::stop);
        QObject::connect(&engine, &MeterEngine::tmerStartRequested, &schedule,
                         &TmerSchedule::start);
    }
    void setIni(const QString& key, const QString& value) {
        WriteIni(IniLayout::Settings::TimeSection, key, value, folder.file("veyranettimer.ini"));
    }
    void follow() {
        const SessionState& s = engine.state();
        schedule.update({s.Linked, s.StartTick, s.PlanSecs, engine.reminderLead()});
    }
    void linkUp() {
        network.setConnected(true);
        engine.EvtTimer();
        start = clock.tickMs();
        tick();
    }
    double shown() const { return NumberFromText(engine.figures().Label5); }
    void tick() {
        engine.Timer1();
        follow();
        if (schedule.takeDue(shown())) {
            const int plays = sound.playCount();
            const qsizetype asked = prompter.messages().size();
            engine.Tmer();
            if (sound.playCount() > plays)
                playedAt << Event{clock.tickMs() - start, engine.figures().Label5};
            if (prompter.messages().size() > asked)
                askedAt << Event{clock.tickMs() - start, engine.figures().Label5};
        }
        follow();
    }
    // Moves the clock to `untilMs` after the link came up, with accounting ticks every
    // `everyMs` and at each moment the schedule names.
    void runUntil(qint64 untilMs, qint64 everyMs) {
        const qint64 until = start + untilMs;
        qint64 nextTick = clock.tickMs() + everyMs;
        while (clock.tickMs() < until) {
            const qint64 due = schedule.nextDueTick().value_or(std::numeric_limits<qint64>::max());
            const qint64 next = std::min({nextTick, std::max(due, clock.tickMs()), until});
            clock.advance(next - clock.tickMs());
            if (next == nextTick)
                nextTick += everyMs;
            else if (next != due)
                break;
            tick();
        }
    }

    struct Event {
        qint64 elapsedMs;
        QString figure;
    };
    TempFolder folder;
    Store store;
    MeterEngine engine{engineServices(store, folder.path(), "/usr/bin/Dialtoll")};
    TmerSchedule schedule{clock};
    qint64 start = 0;
    QList<Event> playedAt;
    QList<Event> askedAt;
};

TEST_F(Schedule, ReminderAndTimeUpComeAtTheirMomentsWhateverThePaceOfTheTick) {
    for (const qint64 everyMs : {500, 7'000, 3'600'000}) {
        SCOPED_TRACE(everyMs);
        playedAt.clear();
        askedAt.clear();
        prompter.clear();
        network.setConnected(false);
        engine.EvtTimer();
        engine.Op_Click(0);
        linkUp();
        prompter.answerNext(false); // No: the plan is extended to the next preset
        runUntil(300'000 + 2'000, everyMs);

        ASSERT_EQ(playedAt.size(), 1);
        EXPECT_EQ(playedAt[0].figure, "30秒");
        EXPECT_NEAR(playedAt[0].elapsedMs, 270'000, 500);
        ASSERT_EQ(askedAt.size(), 1);
        EXPECT_EQ(askedAt[0].figure, "0秒");
        EXPECT_NEAR(askedAt[0].elapsedMs, 300'000, 500);
        EXPECT_EQ(engine.selectedPreset(), 1);
        EXPECT_EQ(engine.state().PlanSecs, 600);
    }
}

TEST_F(Schedule, MomentsFollowChangesOfPlanLeadAndRate) {
    linkUp();
    runUntil(100'000, 7'000);
    // A longer plan moves both moments; a new rate moves neither.
    engine.Op_Click(2); // 15 minutes
    setIni(IniLayout::Settings::DayRateKey, "9.5");
    engine.Menvy();
    follow();
    runUntil(400'000, 7'000);
    EXPECT_TRUE(playedAt.isEmpty());
    // A new lead, read when the settings change.
    setIni(IniLayout::Settings::SpareKey, "120");
    follow();
    prompter.answerNext(true);
    runUntil(900'000 + 2'000, 7'000);
    ASSERT_EQ(playedAt.size(), 1);
    EXPECT_EQ(playedAt[0].figure, "120秒");
    EXPECT_NEAR(playedAt[0].elapsedMs, 780'000, 500);
    ASSERT_EQ(askedAt.size(), 1);
    EXPECT_NEAR(askedAt[0].elapsedMs, 900'000, 500);
    EXPECT_EQ(network.hangUpCount(), 1);
}

TEST_F(Schedule, NothingIsDueOffLineForAPassedOrFractionalLeadOrWhileStopped) {
    follow();
    EXPECT_FALSE(schedule.nextDueTick()) << "off line";
    linkUp();
    const qint64 timeUp = start + 300'000 - 300;
    EXPECT_EQ(schedule.nextDueTick(), start + 270'000 - 200);

    setIni(IniLayout::Settings::SpareKey, "30.5");
    follow();
    EXPECT_EQ(schedule.nextDueTick(), timeUp) << "a fraction never equals the figure";

    setIni(IniLayout::Settings::SpareKey, "250");
    clock.advance(60'000); // 240 s left: the 250 s reminder has passed
    tick();
    EXPECT_EQ(schedule.nextDueTick(), timeUp);
    EXPECT_TRUE(playedAt.isEmpty());

    schedule.stop();
    EXPECT_FALSE(schedule.nextDueTick());
    EXPECT_FALSE(schedule.takeDue(0));
}

TEST_F(Schedule, AfterTheTimeUpTheNextCheckWaitsAFullInterval) {
    linkUp();
    clock.advance(301'000);
    engine.Timer1();
    follow();
    ASSERT_TRUE(schedule.takeDue(shown()));
    schedule.stop();
    schedule.start();
    EXPECT_FALSE(schedule.takeDue(shown())) << "at once after the answer";
    const qint64 due = *schedule.nextDueTick();
    EXPECT_GE(due - clock.tickMs(), TmerSchedule::Interval.count() - 100);

    // The timer itself says when: the link is still up and the figure still 0 or less.
    QEventLoop loop;
    QObject::connect(&schedule, &TmerSchedule::due, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_TRUE(schedule.takeDue(shown()));
}

} // namespace
