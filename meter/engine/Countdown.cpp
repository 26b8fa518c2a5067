#include "meter/engine/Countdown.h"

#include <cmath>

namespace {

// Seconds on a plain wall clock, so a change of daylight saving time does not shift counts.
qint64 WallSeconds(const QDateTime& moment) {
    return moment.date().toJulianDay() * 86400 + moment.time().msecsSinceStartOfDay() / 1000;
}

qint64 FloorDiv(qint64 value, qint64 divisor) {
    return static_cast<qint64>(std::floor(static_cast<double>(value) / divisor));
}

} // namespace

CountdownSpan CountdownBetween(const QDateTime& from, const QDateTime& to) {
    const qint64 fromSeconds = WallSeconds(from);
    const qint64 toSeconds = WallSeconds(to);
    return {toSeconds - fromSeconds, FloorDiv(toSeconds, 3600) - FloorDiv(fromSeconds, 3600),
            to.date().toJulianDay() - from.date().toJulianDay()};
}
