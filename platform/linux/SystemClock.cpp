#include "platform/linux/SystemClock.h"

#include <chrono>

qint64 SystemClock::tickMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTime();
}
