#pragma once

#include <QString>

class Store;

// One account's preferences as the personal settings window shows and stores them.
struct PersonalValues {
    bool jack = true;        // the reminder check box
    bool ask = true;         // ask before the connection is cut
    QString lenTm = "60";    // reminder lead time, seconds
    QString showTm = "0";    // total on-line time shown in the main window, seconds
    QString showMoney = "0"; // total fee shown in the main window, yuan
    QString title;           // countdown title
    QString toDate;          // countdown target
};

// Reads and writes an account's row of UserSet and its password. Every method throws
// StoreError when a statement fails; a failed write leaves the store as it was.
class PersonalSettings {
public:
    explicit PersonalSettings(Store& store);

    // The stored preferences of `user`, each with its default when missing; `currentYear`
    // dates the default countdown.
    PersonalValues load(const QString& user, int currentYear) const;
    // The account's password; the default password when none is stored.
    QString password(const QString& user) const;
    void storePassword(const QString& user, const QString& password);
    // Stores every preference in one transaction; the numbers are stored as read from their
    // texts. An account without a row changes nothing.
    void store(const QString& user, const PersonalValues& values);

private:
    Store& m_store;
};
