#pragma once

#include <QDateTime>
#include <QString>

// The hourly rate that applies at `now`, as the text stored in the settings file (trimmed, not
// reformatted: "6.20" stays "6.20"). Reads "veyranettimer.ini" at `iniPath` afresh.
QString CurrentRateText(const QString& iniPath, const QDateTime& now);
