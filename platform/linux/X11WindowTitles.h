#pragma once

#include "platform/linux/X11Connection.h"

#include <QString>
#include <vector>

// The titles of the desktop's top-level client windows (_NET_WM_NAME, else WM_NAME), in the
// order a look-up by title takes them: the window manager's _NET_CLIENT_LIST or, where no EWMH
// manager runs, the root's children from the top of the stack down, looking inside untitled
// frames for the client that carries the title. A few round trips, each one batch of requests
// for all windows, so the cost grows with the number of windows and nothing else.
class X11WindowTitles {
public:
    struct Titled {
        xcb_window_t window;
        QString title;
    };

    static std::vector<Titled> list(X11Connection& x11);
};
