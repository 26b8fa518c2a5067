#pragma once

#include <QString>

// One-shot profile access: each call reads (and for WriteIni rewrites) the file afresh, so a
// saved change is seen by the next reader without any notification.
QString ReadIni(const QString& section, const QString& key, const QString& fallback,
                const QString& filePath);
bool WriteIni(const QString& section, const QString& key, const QString& value,
              const QString& filePath);
