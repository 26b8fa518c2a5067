#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh, empty data folder for one test.
class TempFolder {
public:
    TempFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};
