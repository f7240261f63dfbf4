#pragma once

class QWindow;
struct xcb_connection_t;

namespace ostrevin::x11 {

/// The X server's connection while the program runs on X11 (XWayland included); none
/// on other platforms, and none on the offscreen platform, which answers for X11 too.
xcb_connection_t* connection();

/// Moves the X server's keyboard focus to window, which must be shown, from whichever
/// window has it. Window managers may refuse a plain activation (mutter does to a
/// window mapped while the user types in another program) and X drops Qt's own focus
/// request when a window manager moved the focus after the last event Qt saw; a focus
/// set at the current time is later than both, and mutter follows it. Does nothing
/// off X11.
void takeKeyboard(const QWindow& window);

} // namespace ostrevin::x11
