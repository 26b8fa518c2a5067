#pragma once

#include "meter/store/SessionSave.h"

#include <QList>
#include <QString>
#include <optional>

// The saves that could not reach the store, kept in a small file beside it until they do. The
// file is written whole under a temporary name and renamed over the old one, so a crash leaves
// the old journal or the new one, never a torn one.
class SaveJournal {
public:
    static constexpr const char* FileName = "veyranettimer.journal";

    explicit SaveJournal(QString path);

    const QString& path() const { return m_path; }
    bool exists() const;
    // The kept saves, oldest first; none without a file; nullopt when the file is there but
    // is not a journal this program wrote.
    std::optional<QList<SessionSave>> read();
    // False with errorString() when the file could not be written; the old one then stays.
    bool write(const QList<SessionSave>& saves);
    bool remove();
    // Moves an unreadable journal aside (its name + ".bad"), so it is neither applied nor lost.
    bool setAside();
    const QString& errorString() const { return m_error; }

private:
    QString m_path;
    QString m_error;
};
