#pragma once

#include "meter/settings/SystemSettings.h"
#include "meter/store/IniFile.h"

#include <QString>

// Reads and writes the system settings in "veyranettimer.ini".
class SystemSettingsFile {
public:
    // Every value as the file holds it, or its default. The lists keep their built-in entries
    // while the file has no count for them; once it has one, they hold the numbered entries.
    static SystemSettings Load(const QString& iniPath, int currentYear);

    // A band time typed without ":" becomes its first two characters and ":00" ("8" -> "8:00",
    // "930" -> "93:00"); a text with ":" stays as it is.
    static QString CorrectedTime(const QString& text);

    // The new file: every key of the settings, numbers normalised, times as "HH:MM" where they
    // read as times, the lists in list order. Keys and sections of the file at `iniPath` that
    // the window does not edit stay as they are; its list entries are all replaced, so none
    // numbered beyond the new counts survives. In a file of the window's own, the three
    // sections and their keys keep their fixed order.
    static IniFile Document(const SystemSettings& settings, const QString& iniPath,
                            int currentYear);

    // Replaces the file with Document() in one step, so a reader finds either the old file or
    // the new one. False when it could not be written; the old file then stays.
    static bool Save(const SystemSettings& settings, const QString& iniPath, int currentYear);
};
