#pragma once

#include <functional>

// The dial-up links of the machine. Both calls return at once and report nothing.
class DialUpNetwork {
public:
    virtual ~DialUpNetwork() = default;
    // A dial-up link is up. Cheap enough to ask many times a second.
    virtual bool IsConnected() = 0;
    // Starts ending every dial-up link, without waiting for them to go.
    virtual void HangUpAll() = 0;

    // `changed` runs from the event loop whenever the links may have changed (never from
    // inside these calls); an empty function stops it.
    virtual void setChangeHandler(std::function<void()> changed) { (void)changed; }
    // Whether changes reach the handler now. Without it the caller has to keep asking.
    virtual bool changesReported() const { return false; }
};
