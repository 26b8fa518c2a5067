#pragma once

#include <QString>
#include <optional>

// The meter's XDG autostart entry, <folder>/VeyranetTimer.desktop. The entry starts one
// program: the command given to write() is that program's path, quoted in the file as the
// desktop entry format asks when it holds blanks or special characters. An installed program's
// own desktop entry is the template: its icon, comments and the like go along.
class AutostartEntry {
public:
    explicit AutostartEntry(QString folder);

    // $XDG_CONFIG_HOME/autostart, with ~/.config when the variable is unset, empty or relative.
    static QString defaultFolder();

    QString filePath() const;
    // Writes the whole entry atomically, creating the folder when needed.
    bool write(const QString& command) const;
    // The Exec command unquoted; nullopt when the entry is missing or has no Exec line. An
    // Exec line of several arguments comes back as the arguments joined with blanks.
    std::optional<QString> read() const;
    // True when no entry is left.
    bool remove() const;

    // The Exec value for a command, quoting and escaping applied.
    static QString execValue(const QString& command);
    // The reverse of execValue for one Exec value as found in the file.
    static QStringList execArguments(const QString& value);

private:
    QString m_folder;
};
