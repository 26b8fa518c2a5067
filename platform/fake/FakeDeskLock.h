#pragma once

#include "platform/DeskLock.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

// Records every call in order ("keepOnTop", "holdKeyboard", "releaseKeyboard",
// "confinePointer 10,20 300x200", "releasePointer") and keeps the state they leave. A grab can
// be told to fail, as when another program holds the keyboard or the pointer.
class FakeDeskLock : public DeskLock {
public:
    void keepOnTop(QWidget& window) override;
    bool holdKeyboard(QWidget& window) override;
    void releaseKeyboard() override;
    bool confinePointer(const QRect& screenRect) override;
    void releasePointer() override;

    const QStringList& calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }
    void setKeyboardGrabFails(bool fails) { m_keyboardFails = fails; }
    void setPointerGrabFails(bool fails) { m_pointerFails = fails; }

    QWidget* topWindow() const { return m_topWindow; }
    QWidget* keyboardHolder() const { return m_keyboardHolder; }
    bool keyboardHeld() const { return !m_keyboardHolder.isNull(); }
    // The rectangle the pointer is kept in; null when it is free.
    QRect confinedTo() const { return m_confinedTo; }
    bool pointerConfined() const { return !m_confinedTo.isNull(); }

private:
    QStringList m_calls;
    bool m_keyboardFails = false;
    bool m_pointerFails = false;
    QPointer<QWidget> m_topWindow;
    QPointer<QWidget> m_keyboardHolder;
    QRect m_confinedTo;
};
