#pragma once

#include "meter/access/FleetLogin.h"

#include <QString>
#include <optional>

class Clock;
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
        // Fleet mode: the account cache is not fit for a log-on (never filled, or too old);
        // see message().
        AccountsUnavailable,
    };

    static const QString PublicAccount;
    // The password of a name without an account, or whose account has an empty one.
    static const QString FallbackPassword;
    static const QString PublicAccountMessage;
    static const QString WrongPasswordMessage;

    LoginDecision(Store& store, MeterEngine& mainEngine, DialUpNetwork& network);

    // Fleet mode: accounts other than the administrator and the public account are checked
    // against the cache of the server's accounts, which may be at most `cacheDays` days old.
    void enableFleet(const Clock& clock, int cacheDays);

    // Checks only; changes nothing. `contextText` is the login window's context.
    Verdict check(const QString& name, const QString& password, const QString& contextText);
    // Switches to the account that was accepted: in fleet mode gives it its local rows first
    // and makes it current in the server's spelling; then saves the outgoing session on a change of
    // user, grants the log-on, loads the account and, on line, opens its session records.
    // False when the account could not be loaded: the previous account stays current and
    // nothing is granted; see message().
    bool accept(const QString& name, const QString& contextText);

    // What went wrong in the last failed check or acceptance.
    const QString& message() const { return m_message; }

private:
    Verdict checkFleet(const QString& name, const QString& password);

    Store& m_store;
    MeterEngine& m_engine;
    DialUpNetwork& m_network;
    QString m_message;
    std::optional<FleetLogin> m_fleet;
};
