#pragma once

#include <QString>

class QWidget;

// The desktop's dialog for choosing where to save a file.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    // `suggested`: the folder and name offered first; `filter`: a name filter such as
    // "CSV 文件 (*.csv)"; `suffix`: added to a name typed without one. Empty when cancelled.
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                                 const QString& filter, const QString& suffix) = 0;
};
