#pragma once

#include "platform/DialUpDialogs.h"

#include <QObject>
#include <QStringList>

class LoginPrompt;
class MeterEngine;
class Store;

// Holds a dialler's dialog back until someone has logged on, while multi-user management is
// on: a dialog found by its exact title takes no input and the login window opens over it.
// After a log-on the dialog is left alone while it stays open or a link is up; then the
// permission expires. Needs no display: the dialogs and the login window come as interfaces.
class DialUpDialogWatcher : public QObject {
    Q_OBJECT
public:
    // The dialogs' titles, in the order they are looked for.
    static const QStringList StandardTitles;
    // The standard titles, then those of `extra`: comma-separated, blanks around each
    // trimmed, empty ones skipped (the value of $DIALTOLL_DIALER_TITLES).
    static QStringList Titles(const QString& extra);

    DialUpDialogWatcher(Store& store, DialUpDialogs& dialogs, MeterEngine& mainEngine,
                        LoginPrompt& login, QStringList titles, QObject* parent = nullptr);

    const QStringList& titles() const { return m_titles; }

    // One tick of Timer2.
    void Timer2();
    // Multi-user management is on (read from the store; off when it cannot be read).
    bool multiUserOn();

signals:
    // The owner stops Timer2 for the length of a tick and starts it again after.
    void timerStopRequested();
    void timerStartRequested();

private:
    Store& m_store;
    DialUpDialogs& m_dialogs;
    MeterEngine& m_engine;
    LoginPrompt& m_login;
    QStringList m_titles;
};
