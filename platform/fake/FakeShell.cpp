#include "platform/fake/FakeShell.h"

void FakeShell::openUrl(const QUrl& url) {
    m_openedUrls.append(url);
}

std::optional<QString> FakeShell::startProgram(const QString& path) {
    m_startedPaths.append(path);
    return m_startFailure;
}
