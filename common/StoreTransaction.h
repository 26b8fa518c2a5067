#pragma once

#include <chrono>
#include <optional>

class Store;

// One write transaction on the store: begun at construction ("begin immediate", so a second
// program waits for it instead of failing half-way), rolled back when it goes out of scope
// without commit(). Both throw StoreError when the store refuses.
class StoreTransaction {
public:
    explicit StoreTransaction(Store& store);
    // The same, waiting at most `lockWait` for another program's write lock instead of the
    // store's usual busy timeout. Once begun, the transaction holds the lock and nothing in it
    // waits again.
    StoreTransaction(Store& store, std::chrono::milliseconds lockWait);
    ~StoreTransaction();
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;

    void commit();

private:
    void begin(std::optional<std::chrono::milliseconds> lockWait);

    Store& m_store;
    bool m_open = false;
};
