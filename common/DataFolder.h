#pragma once

#include <QString>

// The folder that holds the database and the INI files, resolved alike by all three programs:
// $DIALTOLL_HOME when set, else the executables' folder when writable and not an installed
// <prefix>/bin, else $XDG_DATA_HOME/dialtoll (~/.local/share/dialtoll). The folder is created
// when missing.
QString ResolveDataFolder();

// `name` inside `folder`.
QString DataFilePath(const QString& folder, const QString& name);
