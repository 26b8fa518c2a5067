#pragma once

#include <QString>

class DialUpNetwork;
class MeterEngine;
class Store;

// Whether a name and password may log on, and the switch to the account when they may.
// Needs no display: the window shows the refusals and closes on acceptance.
class LoginDecision {
public:
    enum class Verdict {
        Accepted,
        // The public account, other than for a change of user while off line.
        PublicAccountRefused,
        // A wrong password, or a name or password longer than any account can have.
        WrongPassword,
        // The password could not be looked up; see message().
        StoreFailed,
    };

    static const QString PublicAccount;
    // The password of a name without an account, or whose account has an empty one.
    static const QString FallbackPassword;
    static const QString PublicAccountMessage;
    static const QString WrongPasswordMessage;

    LoginDecision(Store& store, MeterEngine& mainEngine, DialUpNetwork& network);

    // Checks only; changes nothing. `contextText` is the login window's context.
    Verdict check(const QString& name, const QString& password, const QString& contextText);
    // Switches to the account that was accepted: saves the outgoing session on a change of
    // user, grants the log-on, loads the account and, on line, opens its session records.
    // False when the account could not be loaded: the previous account stays current and
    // nothing is granted; see message().
    bool accept(const QString& name, const QString& contextText);

    // What went wrong in the last failed check or acceptance.
    const QString& message() const { return m_message; }

private:
    Store& m_store;
    MeterEngine& m_engine;
    DialUpNetwork& m_network;
    QString m_message;
};
