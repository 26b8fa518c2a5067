#include "meter/desktop/SessionEnd.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>

SessionEnd::SessionEnd(Action save, Action shutDown, QObject* parent)
    : QObject(parent), m_save(std::move(save)), m_shutDown(std::move(shutDown)) {}

void SessionEnd::watch(QGuiApplication& app) {
    m_application = &app;
    connect(&app, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { saveRequested(); });
    // Whatever else ends the event loop still saves the running session first.
    connect(&app, &QCoreApplication::aboutToQuit, this, &SessionEnd::endRequested);
    app.installEventFilter(this);
}

void SessionEnd::saveRequested() {
    if (!m_ended)
        m_save();
}

void SessionEnd::endRequested() {
    if (m_ended)
        return;
    m_ended = true;
    m_shutDown();
}

bool SessionEnd::eventFilter(QObject* watched, QEvent* event) {
    // The session manager's "die" arrives as the application's Quit event; it goes on to end
    // the event loop after the shutdown has run.
    if (watched == m_application && event->type() == QEvent::Quit)
        endRequested();
    return QObject::eventFilter(watched, event);
}
