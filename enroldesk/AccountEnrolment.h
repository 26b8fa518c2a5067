#pragma once

#include <QString>
#include <optional>

class AccountDirectory;
struct FleetError;
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
        // Fleet mode: the server could not be reached (nothing changed) ...
        ServerUnreachable,
        // ... or did not take the request (nothing changed).
        ServerFailed,
    };

    struct Result {
        Outcome outcome = Outcome::StoreFailed;
        // The store's or the server's own description when it failed.
        QString detail = {};
        // A removal's result, not a registration's (for the server's messages).
        bool removal = false;
    };

    AccountEnrolment(QString databasePath, const Clock& clock);

    Result registerAccount(const QString& name, const QString& password,
                           const QString& verification, const QString& adminPassword) const;
    // The new account's password plays no part here.
    Result removeAccount(const QString& name, const QString& adminPassword) const;

    // Fleet mode, where the accounts are on the server. First the checks of this PC (the
    // boxes, then the administrator password in the local store): a result ends the press,
    // none means the request goes to the server.
    std::optional<Result> checkRegistration(const QString& name, const QString& password,
                                            const QString& verification,
                                            const QString& adminPassword) const;
    std::optional<Result> checkRemoval(const QString& name, const QString& adminPassword) const;
    // Today in the form registration dates are kept.
    QString registrationDate() const;
    // Then the server's part, which blocks: for a worker thread. Never throws.
    static Result registerOnServer(AccountDirectory& server, const QString& name,
                                   const QString& password, const QString& regDate);
    static Result removeFromServer(AccountDirectory& server, const QString& name);

    // The text shown for a result. A store that fails is named with its file and what to do.
    QString message(const Result& result) const;
    // Success notices carry the information icon, everything else the error icon.
    static bool isSuccess(Outcome outcome);

    const QString& databasePath() const { return m_databasePath; }

private:
    static std::optional<Outcome> checkName(const QString& name);
    // The boxes of a registration, in their order, before any file is looked at.
    static std::optional<Outcome> checkRegistrationBoxes(const QString& name,
                                                         const QString& password,
                                                         const QString& verification);
    static Result serverFailure(const FleetError& error, bool removal);
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
