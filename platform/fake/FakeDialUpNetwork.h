#pragma once

#include "platform/DialUpNetwork.h"

// A link the test brings up and down by hand; counts hang-ups.
class FakeDialUpNetwork : public DialUpNetwork {
public:
    bool IsConnected() override { return m_connected; }
    void HangUpAll() override;

    void setConnected(bool connected) { m_connected = connected; }
    // Makes HangUpAll drop the link, as a real hang-up does a moment later.
    void setHangUpDrops(bool drops) { m_hangUpDrops = drops; }
    int hangUpCount() const { return m_hangUpCount; }

private:
    bool m_connected = false;
    bool m_hangUpDrops = false;
    int m_hangUpCount = 0;
};
