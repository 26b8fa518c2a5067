#include "platform/fake/FakeNotifier.h"

void FakeNotifier::notify(const QString& summary, const QString& body) {
    m_notices.append({summary, body});
}
