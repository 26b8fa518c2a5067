#pragma once

#include <QStringList>
#include <optional>

class Store;

// The account names the user list offers, read afresh from the store.
class AccountList {
public:
    // The names in the store's order, without the administrator's row (exactly "Master");
    // nothing when the store cannot be read.
    static std::optional<QStringList> read(Store& store);
};
