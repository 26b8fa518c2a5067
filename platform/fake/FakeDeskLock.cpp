#include "platform/fake/FakeDeskLock.h"

#include <QWidget>

void FakeDeskLock::keepOnTop(QWidget& window) {
    m_calls << QStringLiteral("keepOnTop");
    m_topWindow = &window;
}

bool FakeDeskLock::holdKeyboard(QWidget& window) {
    m_calls << QStringLiteral("holdKeyboard");
    if (m_keyboardFails)
        return false;
    m_keyboardHolder = &window;
    return true;
}

void FakeDeskLock::releaseKeyboard() {
    m_calls << QStringLiteral("releaseKeyboard");
    m_keyboardHolder = nullptr;
}

bool FakeDeskLock::confinePointer(const QRect& screenRect) {
    m_calls << QStringLiteral("confinePointer %1,%2 %3x%4")
                   .arg(screenRect.x())
                   .arg(screenRect.y())
                   .arg(screenRect.width())
                   .arg(screenRect.height());
    // An empty rectangle frees the pointer, as on X.
    if (screenRect.isEmpty()) {
        m_confinedTo = QRect();
        return false;
    }
    if (m_pointerFails)
        return false;
    m_confinedTo = screenRect;
    return true;
}

void FakeDeskLock::releasePointer() {
    m_calls << QStringLiteral("releasePointer");
    m_confinedTo = QRect();
}
