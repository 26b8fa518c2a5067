#pragma once

// The dial-up links of the machine. Both calls return at once and report nothing.
class DialUpNetwork {
public:
    virtual ~DialUpNetwork() = default;
    // A dial-up link is up. Cheap: the meter asks every 120 ms.
    virtual bool IsConnected() = 0;
    // Starts ending every dial-up link, without waiting for them to go.
    virtual void HangUpAll() = 0;
};
