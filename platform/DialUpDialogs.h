#pragma once

#include <QRect>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>

// The desktop's top-level windows that a dialler shows, found by their exact title, and the
// means to hold one back until someone has logged on. A handle is the window's X id; 0 is none.
class DialUpDialogs {
public:
    using Handle = quint32;

    virtual ~DialUpDialogs() = default;
    // The first top-level window whose title is exactly `title`, or 0.
    virtual Handle find(const QString& title) = 0;
    // The window takes no pointer or keyboard input until released; false when it is gone.
    virtual bool holdBack(Handle window) = 0;
    virtual bool release(Handle window) = 0;
    // Its outer (frame) rectangle in screen pixels.
    virtual std::optional<QRect> frameRect(Handle window) = 0;
    // Asks the window to close, as its close button would.
    virtual bool close(Handle window) = 0;

    // `changed` runs from the event loop when a window may have come, gone or changed its
    // title; an empty function stops it.
    virtual void setChangeHandler(std::function<void()> changed) { (void)changed; }
    // Whether such changes reach the handler; without it the caller has to keep looking.
    virtual bool changesReported() const { return false; }
};
