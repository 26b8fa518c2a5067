#pragma once

#include "common/fleet/ServerAccounts.h"

#include <QString>

// Where fleet mode keeps the accounts. Calls block for as long as the server takes, so they
// are made off the window's thread; each throws FleetError when it cannot complete.
class AccountDirectory {
public:
    virtual ~AccountDirectory() = default;

    virtual ServerAccounts::Change add(const QString& name, const QString& password,
                                       const QString& regDate) = 0;
    virtual ServerAccounts::Change remove(const QString& name) = 0;
};
