#pragma once

#include <QString>
#include <optional>

class Clock;
class Store;

// Adds and removes accounts in the shared database under the administrator password. Each call
// opens the file, does its work and closes it again; the checks run in a fixed order and only
// the first fault is reported. Needs no display.
class AccountEnrolment {
public:
    static constexpr int MaxNameLength = 12;
    static constexpr int MaxPasswordLength = 8;

    enum class Outcome {
        PasswordEmpty,
        VerificationDiffers,
        PasswordTooLong,
        NameEmpty,
        NameIsPublic,
        NameTooLong,
        StoreMissing,
        StoreUnreadable,
        StoreFailed,
        MasterMissing,
        AdminPasswordWrong,
        NameTaken,
        NoSuchUser,
        Registered,
        Removed,
    };

    struct Result {
        Outcome outcome;
        // The store's own description when it failed.
        QString detail = {};
    };

    AccountEnrolment(QString databasePath, const Clock& clock);

    Result registerAccount(const QString& name, const QString& password,
                           const QString& verification, const QString& adminPassword) const;
    // The new account's password plays no part here.
    Result removeAccount(const QString& name, const QString& adminPassword) const;

    // The text shown for a result. A store that fails is named with its file and what to do.
    QString message(const Result& result) const;
    // Success notices carry the information icon, everything else the error icon.
    static bool isSuccess(Outcome outcome);

    const QString& databasePath() const { return m_databasePath; }

private:
    static std::optional<Outcome> checkName(const QString& name);
    // Opens the file and checks the administrator password; a result when that fails.
    std::optional<Result> openAsAdministrator(Store& store, const QString& adminPassword) const;
    // Rolls the open transaction back and reports the failure that caused it.
    static Result abandon(Store& store, const QString& detail);
    // Begins one write transaction and looks the account up in it. A failure is rolled back
    // and returned; otherwise `exists` tells whether the account is there.
    static std::optional<Result> beginAndFind(Store& store, const QString& name, bool& exists);

    QString m_databasePath;
    const Clock& m_clock;
};
