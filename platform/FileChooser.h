#pragma once

#include <QString>

class QWidget;

// The desktop's dialog for choosing where to save a file, or which file to read.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // `suggested`: the folder and name offered first; `filter`: a name filter such as
    // "CSV 文件 (*.csv)"; `suffix`: added to a name typed without one. Empty when cancelled.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                 const QString& filter, const QString& suffix) = 0;
    // An existing file, chosen starting in `folder`. Empty when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
};
