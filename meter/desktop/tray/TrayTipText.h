#pragma once

#include "meter/engine/MeterFigures.h"

#include <QDateTime>
#include <QString>

// The tray's tip field holds 64 bytes in the old ANSI code page, its NUL included.
inline constexpr int TrayTipBytes = 63;

// What the tip begins with while sessions cannot be recorded.
inline const QString StoreProblemTrayNotice = QStringLiteral("未记录：数据库无法打开");

// The tip's first line in fleet mode while saves wait for the server; first, so the cut to the
// tip field never drops it.
QString WithUnsentLine(const QString& tip, int unsent);

// The longest start of the text, in whole characters, whose GBK encoding fits the tip field.
QString CutToTrayTip(const QString& text);

// The tip shown on the tray icon: the remaining planned time while on line, the present date
// and time otherwise.
QString BuildTrayTip(const MeterFigures& figures, bool linked, const QDateTime& now);
