#include "common/StoreTransaction.h"

#include "common/Store.h"
#include "common/StoreError.h"

StoreTransaction::StoreTransaction(Store& store) : m_store(store) {
    begin(std::nullopt);
}

StoreTransaction::StoreTransaction(Store& store, std::chrono::milliseconds lockWait)
    : m_store(store) {
    begin(lockWait);
}

void StoreTransaction::begin(std::optional<std::chrono::milliseconds> lockWait) {
    const std::chrono::milliseconds usual = m_store.busyTimeout();
    if (lockWait)
        m_store.setBusyTimeout(*lockWait);
    const bool begun = m_store.execute(QStringLiteral("begin immediate"));
    if (lockWait)
        m_store.setBusyTimeout(usual);
    if (!begun)
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
