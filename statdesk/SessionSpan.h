#pragma once

#include <QStringView>
#include <optional>

// A session's start and end as the store writes them: a date "YYYYMMDD" and a time "H:MM:SS".
namespace SessionSpan {

// The wall-clock seconds from start to end; nothing when either is no date and time.
std::optional<double> seconds(QStringView fromD, QStringView fromT, QStringView toD,
                              QStringView toT);
// A moment as one number that orders like the moments: YYYYMMDD * 100000 + seconds of the day
// (-1 for a time that does not read).
double orderKey(QStringView date, QStringView time);

} // namespace SessionSpan
