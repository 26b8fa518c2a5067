#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// Opening addresses and starting programs.
class Shell {
public:
    virtual ~Shell() = default;
    // Hands the address to the desktop's handler (browser, mail program); errors are ignored.
    virtual void openUrl(const QUrl& url) = 0;
    // Starts the program without waiting for it; the system's description of the failure when
    // it cannot be started.
    virtual std::optional<QString> startProgram(const QString& path) = 0;
};
