#pragma once

class Store;

// One write transaction on the store: begun at construction ("begin immediate", so a second
// program waits for it instead of failing half-way), rolled back when it goes out of scope
// without commit(). Both throw StoreError when the store refuses.
class StoreTransaction {
public:
    explicit StoreTransaction(Store& store);
    ~StoreTransaction();
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;

    void commit();

private:
    Store& m_store;
    bool m_open = false;
};
