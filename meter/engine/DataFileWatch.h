#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Says when files of the data folder change, by the kernel's file notifications rather than by
// reading them again and again. The folder is watched as well as the files: a file replaced by
// a rename (how settings are saved) or made later (the store's write-ahead log) is watched
// again at once. A burst of changes is reported once, a moment after it.
class DataFileWatch : public QObject {
    Q_OBJECT
public:
    // The files by name inside `folder`; none of them need exist yet.
    DataFileWatch(const QString& folder, const QStringList& fileNames, QObject* parent = nullptr);

    // Files of the list being watched now (for checks).
    QStringList watchedFiles() const { return m_watcher.files(); }

signals:
    void changed();

private:
    void watchFiles();
    void noteChange();

    QFileSystemWatcher m_watcher;
    QStringList m_paths;
    QTimer m_settle;
};
