#pragma once

#include "platform/DialUpNetwork.h"

#include <QObject>

// A link the test brings up and down by hand; counts hang-ups. A change is reported to the
// handler from the event loop, as a real one is, unless reporting is switched off.
class FakeDialUpNetwork : public DialUpNetwork {
public:
    bool IsConnected() override { return m_connected; }
    void HangUpAll() override;
    void setChangeHandler(std::function<void()> changed) override {
        m_changed = std::move(changed);
    }
    bool changesReported() const override { return m_reports; }

    void setConnected(bool connected);
    // Off: changes happen silently, as a missed notification; the owner must poll.
    void setReportsChanges(bool reports) { m_reports = reports; }
    // Makes HangUpAll drop the link, as a real hang-up does a moment later.
    void setHangUpDrops(bool drops) { m_hangUpDrops = drops; }
    int hangUpCount() const { return m_hangUpCount; }

private:
    void report();

    // Queued reports die with the fake.
    QObject m_context;
    std::function<void()> m_changed;
    bool m_reports = true;
    bool m_connected = false;
    bool m_hangUpDrops = false;
    int m_hangUpCount = 0;
};
