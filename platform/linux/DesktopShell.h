#pragma once

#include "platform/Shell.h"

// Addresses go to the desktop's handlers; programs start detached in their own folder.
class DesktopShell : public Shell {
public:
    void openUrl(const QUrl& url) override;
    std::optional<QString> startProgram(const QString& path) override;
};
