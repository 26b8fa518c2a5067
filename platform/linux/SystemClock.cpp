#include "platform/linux/SystemClock.h"

#include <chrono>
#include <ctime>

qint64 SystemClock::tickMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}

qint64 SystemClock::sinceBootMs() const {
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return tickMs();
    return static_cast<qint64>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}
