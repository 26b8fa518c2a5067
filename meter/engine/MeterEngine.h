#pragma once

#include <QObject>

// The meter's session state and the work of its timers. Form1 owns one and shows its figures.
class MeterEngine : public QObject {
    Q_OBJECT
public:
    explicit MeterEngine(QObject* parent = nullptr) : QObject(parent) {}

    bool linked() const { return m_linked; }
    void setLinked(bool linked) { m_linked = linked; }
    bool loginGranted() const { return m_loginGranted; }
    void setLoginGranted(bool granted) { m_loginGranted = granted; }
    // Leaving the program needs the exit password.
    bool extPass() const { return m_extPass; }

    // Loads the current account's totals, settings and countdown.
    void hsLoad();
    // Switches the exit password on or off.
    void CanExt(bool flag) { m_extPass = flag; }
    // Writes the running session's records.
    void autoSaveStep();

private:
    bool m_linked = false;
    bool m_loginGranted = false;
    bool m_extPass = false;
};
