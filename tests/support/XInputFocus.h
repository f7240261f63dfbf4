#pragma once

#include <cstdlib>
#include <xcb/xcb.h>

namespace ostrevin::test {

/// The window the X server sends keys to: a window, XCB_NONE (nobody's, as XWayland
/// shows a Wayland window's) or XCB_INPUT_FOCUS_POINTER_ROOT (the one under the pointer).
inline xcb_window_t inputFocus(xcb_connection_t* connection)
{
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    const xcb_window_t window = reply ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
    free(reply);
    return window;
}

} // namespace ostrevin::test
