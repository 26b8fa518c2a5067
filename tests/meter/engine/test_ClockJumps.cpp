#include "meter/engine/ClockJumps.h"
#include "platform/fake/FakeClock.h"

#include <QTimeZone>
#include <gtest/gtest.h>

TEST(ClockJumps, TellsASleepFromAChangeOfTheWallClock) {
    FakeClock clock;
    ClockJumps jumps(clock);
    clock.advance(3'000);
    EXPECT_EQ(jumps.check(), ClockJumps::None) << "time going on";

    clock.sleep(3'600'000);
    EXPECT_EQ(jumps.check(), ClockJumps::Resumed) << "the wall clock went on with the sleep";
    EXPECT_EQ(jumps.check(), ClockJumps::None);

    clock.setNow(clock.now().addSecs(-3600));
    EXPECT_EQ(jumps.check(), ClockJumps::WallClockMoved);
    clock.setNow(clock.now().addMSecs(ClockJumps::ToleranceMs - 500));
    EXPECT_EQ(jumps.check(), ClockJumps::None) << "jitter";

    clock.sleep(60'000);
    clock.setNow(clock.now().addSecs(7200));
    EXPECT_EQ(jumps.check(), ClockJumps::Resumed | ClockJumps::WallClockMoved);

    // A new time zone: the same instant, another local time.
    clock.setNow(clock.now().toTimeZone(QTimeZone(QByteArrayLiteral("Asia/Tokyo"))));
    jumps.check();
    clock.advance(1000);
    EXPECT_EQ(jumps.check(), ClockJumps::None);
    clock.setNow(clock.now().toTimeZone(QTimeZone(QByteArrayLiteral("Asia/Shanghai"))));
    EXPECT_EQ(jumps.check(), ClockJumps::WallClockMoved);
}
