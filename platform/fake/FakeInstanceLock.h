#pragma once

#include "platform/SingleInstanceLock.h"

class FakeInstanceLock : public SingleInstanceLock {
public:
    explicit FakeInstanceLock(Result result = Result::Acquired) : m_result(result) {}
    Result acquire() override { return m_result; }
    QString failure() const override {
        return m_result == Result::Failed ? QStringLiteral("无法建立锁文件") : QString();
    }

private:
    Result m_result;
};
