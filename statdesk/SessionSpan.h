#pragma once

#include <QString>
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
// The duration a listed row shows: its stored seconds when positive, else the span from start to
// end. Throws QueryError when neither gives a figure.
double shownSeconds(double storedSeconds, const QString& fromD, const QString& fromT,
                    const QString& toD, const QString& toT);

} // namespace SessionSpan
