#pragma once

#include <algorithm>
#include <chrono>

// How long the uploader waits after a failure: one second, doubling with each further failure
// up to a minute, back to the start once something works.
class FleetRetryDelay {
public:
    static constexpr std::chrono::milliseconds First{1000};
    static constexpr std::chrono::milliseconds Longest{60000};

    std::chrono::milliseconds next() {
        const std::chrono::milliseconds delay = m_next;
        m_next = std::min(m_next * 2, Longest);
        return delay;
    }
    void reset() { m_next = First; }
    bool backingOff() const { return m_next != First; }

private:
    std::chrono::milliseconds m_next = First;
};
