#pragma once

#include "platform/SingleInstanceLock.h"

class FakeInstanceLock : public SingleInstanceLock {
public:
    explicit FakeInstanceLock(bool anotherCopyRuns = false) : m_anotherCopyRuns(anotherCopyRuns) {}
    bool tryAcquire() override { return !m_anotherCopyRuns; }

private:
    bool m_anotherCopyRuns;
};
