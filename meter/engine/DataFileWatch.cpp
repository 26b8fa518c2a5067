#include "meter/engine/DataFileWatch.h"

#include <QDir>
#include <QFileInfo>

using namespace std::chrono_literals;

DataFileWatch::DataFileWatch(const QString& folder, const QStringList& fileNames, QObject* parent)
    : QObject(parent) {
    for (const QString& name : fileNames)
        m_paths << QDir(folder).filePath(name);
    m_settle.setSingleShot(true);
    m_settle.setInterval(20ms);
    connect(&m_settle, &QTimer::timeout, this, &DataFileWatch::changed);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &DataFileWatch::noteChange);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &DataFileWatch::noteChange);
    if (QFileInfo(folder).isDir())
        m_watcher.addPath(folder);
    watchFiles();
}

void DataFileWatch::watchFiles() {
    const QStringList watched = m_watcher.files();
    for (const QString& path : std::as_const(m_paths)) {
        if (!watched.contains(path) && QFileInfo::exists(path))
            m_watcher.addPath(path);
    }
}

void DataFileWatch::noteChange() {
    // A file renamed over or removed has left the watch; its successor is watched from now.
    watchFiles();
    if (!m_settle.isActive())
        m_settle.start();
}
