#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QSize>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A private X server (Xvfb, on the first free display it picks itself) for real-window tests,
// with the openbox window manager started and stopped on demand. Stops both when destroyed.
class XvfbDisplay {
public:
    ~XvfbDisplay();

    // False with the reason in error() when Xvfb does not come up.
    bool start(QSize screen);
    // ":N"
    QString name() const { return m_name; }
    QString error() const { return m_error; }

    // Starts openbox and waits until it manages the screen (its EWMH check window is up).
    bool startWindowManager();
    // Stops openbox and waits until it has let go of the windows.
    void stopWindowManager();

private:
    bool windowManagerRuns() const;
    bool windowManagerFrames(const QDeadlineTimer& deadline) const;

    QProcess m_server;
    QProcess m_windowManager;
    QTemporaryDir m_home;
    QString m_name;
    QString m_error;
};
