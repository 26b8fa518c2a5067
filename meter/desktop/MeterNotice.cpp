#include "meter/desktop/MeterNotice.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace {

const QString Title = QStringLiteral("Dialtoll");

void writeError(const QString& text) {
    const QByteArray line = (Title + QStringLiteral(": ") + text + QLatin1Char('\n')).toUtf8();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

bool MeterNotice::hasDisplay() {
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != QLatin1String("offscreen") &&
           platform != QLatin1String("minimal");
}

void MeterNotice::startFailure(const QString& text) {
    writeError(text);
    if (hasDisplay())
        QMessageBox::critical(nullptr, Title, text);
}

void MeterNotice::warning(const QString& text) {
    writeError(text);
    if (!hasDisplay())
        return;
    auto* box = new QMessageBox(QMessageBox::Warning, Title, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    // Shown once start-up is over, so a main window that start-up opens does not cover it.
    QTimer::singleShot(0, box, [box] {
        box->show();
        box->raise();
        box->activateWindow();
    });
}
