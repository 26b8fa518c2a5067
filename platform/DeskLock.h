#pragma once

#include <QRect>

class QWidget;

// Locks the desk while the login window is up: the window stays above every other one and
// holds the focus, the keyboard can be held by it (so the window manager's shortcuts do not
// reach anyone else) and the pointer can be kept inside a rectangle of the screen. Every
// release may be called whether or not the matching lock was applied.
class DeskLock {
public:
    virtual ~DeskLock() = default;
    // Above all other windows, and focused.
    virtual void keepOnTop(QWidget& window) = 0;
    // True when the keyboard was taken at once. When another program holds it, or the window
    // is not on screen yet, it is tried again for a moment; a hold that never succeeds is
    // reported on standard error and the window goes on without it.
    virtual bool holdKeyboard(QWidget& window) = 0;
    virtual void releaseKeyboard() = 0;
    // Keeps the pointer inside `screenRect` (screen pixels); true when that took at once,
    // otherwise tried again for a moment as the keyboard is. A new rectangle replaces the old.
    virtual bool confinePointer(const QRect& screenRect) = 0;
    virtual void releasePointer() = 0;
};
