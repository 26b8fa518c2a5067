#pragma once

#include "platform/DialUpDialogs.h"

#include <QRect>

// What the dial-up dialog watch needs of the login window.
class LoginPrompt {
public:
    virtual ~LoginPrompt() = default;
    virtual bool isShowing() const = 0;
    // Shows the window (a fresh showing when it was closed) and hands it the dialog held back
    // for it, which it releases, and closes when nobody logs on, as it closes.
    virtual void showForDialog(DialUpDialogs::Handle dialog) = 0;
    // Moves the window so that its middle, frame included, lies over the middle of `area`
    // (screen pixels).
    virtual void centreOver(const QRect& area) = 0;
};
