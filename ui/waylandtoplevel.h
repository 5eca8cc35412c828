// The one request of the Wayland window protocol (xdg-shell) that Qt 6.4 does not make when a window of
// ours needs it.
#pragma once

class QWindow;

// Asks the compositor at once to take the window out of the maximised state, before any answer to the
// request that put it there. False where the window is not a Wayland compositor's xdg-shell window,
// or the program was built without that part (its private Qt and protocol headers were missing).
bool askUnmaximised(QWindow *window);
