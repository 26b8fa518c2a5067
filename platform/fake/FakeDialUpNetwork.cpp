#include "platform/fake/FakeDialUpNetwork.h"

void FakeDialUpNetwork::HangUpAll() {
    ++m_hangUpCount;
    if (m_hangUpDrops)
        m_connected = false;
}
