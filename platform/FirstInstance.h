#pragma once

#include <functional>

// One copy of a program per key: the first copy to start holds the key, a later copy asks the
// first to come forward and ends.
class FirstInstance {
public:
    virtual ~FirstInstance() = default;
    // True when this copy is the first for its key (it now holds the key for its lifetime), or
    // when the key cannot be held at all, so that the program still starts.
    virtual bool claim() = 0;
    // From a later copy: asks the first to come forward. True when the first was told.
    virtual bool callFirst() = 0;
    // In the first copy: `handler` runs on the event loop each time a later copy calls.
    virtual void onCalled(std::function<void()> handler) = 0;
};
