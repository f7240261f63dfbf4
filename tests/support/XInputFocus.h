#pragma once

#include <cstdlib>
#include <cstring>
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

/// The atom named name, made if none has it yet.
inline xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

} // namespace ostrevin::test
