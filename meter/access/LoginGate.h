#pragma once

#include "meter/access/LoginContext.h"
#include "platform/DialUpDialogs.h"

#include <QList>
#include <QRect>

class DeskLock;
class MeterEngine;
class QWidget;
class Store;

// The login window's state between its opening and its closing, and the desk lock: what it
// is up for, whether someone logged on, the lock applied while it shows and the steps that
// lift it and finish when it closes. Needs no display of its own.
class LoginGate {
public:
    LoginGate(Store& store, MeterEngine& mainEngine, DeskLock& deskLock, DialUpDialogs& dialogs);

    // A fresh showing: nobody has logged on, the context is "0". Nothing when already loaded.
    void load();
    bool loaded() const { return m_loaded; }

    const LoginContext& context() const { return m_context; }
    void setContext(const LoginContext& context);

    bool succeeded() const { return m_succeeded; }
    void setSucceeded(bool succeeded) { m_succeeded = succeeded; }

    // On every show and resize: on top and focused, the keyboard held and the pointer kept in
    // when the administrator asks for them. `outer` is the window's rectangle, frame included.
    void applyLock(QWidget& window, const QRect& outer);
    // After a move: a confined pointer is kept in the window's new place.
    void followWindow(const QRect& outer);
    // The pointer's rectangle for a window: its outer rectangle moved up by 6 pixels.
    static QRect LockRect(const QRect& outer);

    // Lifts the lock and finishes: the held dialogs take input again and, when nobody logged
    // on, the waiting link is hung up or the dialog closed. Runs whether or not the lock was
    // applied; afterwards the window is unloaded.
    void release();

private:
    bool optionOn(const char* column);

    Store& m_store;
    MeterEngine& m_engine;
    DeskLock& m_deskLock;
    DialUpDialogs& m_dialogs;
    bool m_loaded = false;
    LoginContext m_context;
    bool m_succeeded = false;
    bool m_pointerConfined = false;
    QRect m_lockRect;
    // Every dialog handed to this showing: a later one replaces the context, but none may stay
    // held back once the window is gone.
    QList<DialUpDialogs::Handle> m_heldDialogs;
    // A link came up without a log-on during this showing; a change of context does not let
    // it run on uncharged.
    bool m_hangUpOwed = false;
};
