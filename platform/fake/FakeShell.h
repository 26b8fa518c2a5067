#pragma once

#include "platform/Shell.h"

#include <QList>
#include <QStringList>

// Records what would have been opened or started; a start fails with the text set.
class FakeShell : public Shell {
public:
    void openUrl(const QUrl& url) override;
    std::optional<QString> startProgram(const QString& path) override;

    const QList<QUrl>& openedUrls() const { return m_openedUrls; }
    const QStringList& startedPaths() const { return m_startedPaths; }
    // While set, every start fails with this text (the path is still recorded).
    void setStartFailure(std::optional<QString> text) { m_startFailure = std::move(text); }

private:
    QList<QUrl> m_openedUrls;
    QStringList m_startedPaths;
    std::optional<QString> m_startFailure;
};
