#include "platform/linux/FileDialogChooser.h"

#include <QFileDialog>

QString FileDialogChooser::saveFileName(QWidget* parent, const QString& caption,
                                        const QString& suggested, const QString& filter,
                                        const QString& suffix) {
    QFileDialog dialog(parent, caption, suggested, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString FileDialogChooser::openFileName(QWidget* parent, const QString& caption,
                                        const QString& folder, const QString& filter) {
    QFileDialog dialog(parent, caption, folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}
