#pragma once

#include <QObject>
#include <functional>

class QGuiApplication;

// How the meter meets the end of the desktop session. The session manager asks applications
// to save at checkpoints and before a logout that the user may still cancel: that only saves,
// and the meter keeps running. The program ends when the session really ends, which reaches
// the application as its Quit event (the session manager's "die"), or on a signal to end.
class SessionEnd : public QObject {
    Q_OBJECT
public:
    using Action = std::function<void()>;
    SessionEnd(Action save, Action shutDown, QObject* parent = nullptr);

    // Follows the application's save requests and its Quit event.
    void watch(QGuiApplication& app);

    // A checkpoint or a logout that may yet be cancelled: save, keep running.
    void saveRequested();
    // The session ends (or a signal asks to end): shut down, once.
    void endRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Action m_save;
    Action m_shutDown;
    QObject* m_application = nullptr;
    bool m_ended = false;
};
