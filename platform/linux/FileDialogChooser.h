#pragma once

#include "platform/FileChooser.h"

// QFileDialog, which asks before replacing an existing file.
class FileDialogChooser : public FileChooser {
public:
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filter, const QString& suffix) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override;
};
