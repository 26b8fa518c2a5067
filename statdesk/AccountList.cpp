#include "statdesk/AccountList.h"

#include "common/Store.h"
#include "common/StoreStatements.h"

std::optional<QStringList> AccountList::read(Store& store) {
    if (!store.isOpen())
        return std::nullopt;
    StoreQuery users = store.query(StoreStatements::AllUsers);
    if (!users.isValid())
        return std::nullopt;
    QStringList names;
    while (users.next()) {
        const QVariant name = users.value(QStringLiteral("User"));
        if (!name.isNull() && name.toString() != QStringLiteral("Master"))
            names << name.toString();
    }
    if (!users.error().isEmpty())
        return std::nullopt;
    return names;
}
