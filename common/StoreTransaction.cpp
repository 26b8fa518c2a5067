#include "common/StoreTransaction.h"

#include "common/Store.h"
#include "common/StoreError.h"

StoreTransaction::StoreTransaction(Store& store) : m_store(store) {
    if (!m_store.execute(QStringLiteral("begin immediate")))
        throw StoreError(m_store.lastError());
    m_open = true;
}

StoreTransaction::~StoreTransaction() {
    if (m_open)
        m_store.execute(QStringLiteral("rollback"));
}

void StoreTransaction::commit() {
    // A commit that fails (another program holds the file) leaves the transaction open; the
    // destructor rolls it back.
    if (!m_store.execute(QStringLiteral("commit")))
        throw StoreError(m_store.lastError());
    m_open = false;
}
