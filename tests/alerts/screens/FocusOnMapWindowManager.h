#pragma once

#include "support/XInputFocus.h"

#include <QDeadlineTimer>
#include <QList>
#include <QTimer>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace ostrevin::test {

/// A window manager for the test's X server that treats the keyboard as mutter
/// does X11 clients once the user went elsewhere: each newly mapped window gets the
/// keyboard, unless the user is typing in another (a key reached the focused window
/// in the last second), and a client's request to be activated (_NET_ACTIVE_WINDOW)
/// is ignored. It announces itself the EWMH way, so Qt asks it for activation instead
/// of taking the focus itself. It manages nothing else (no frames, no placement).
class FocusOnMapWindowManager {
public:
    FocusOnMapWindowManager() : m_connection(xcb_connect(nullptr, nullptr))
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_activeWindow = atom("_NET_ACTIVE_WINDOW");
        const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
        const xcb_atom_t supported = atom("_NET_SUPPORTED");
        m_checkWindow = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_checkWindow, m_root, -1, -1, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        for (const xcb_window_t window : {m_root, m_checkWindow})
            xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, check, XCB_ATOM_WINDOW, 32, 1,
                                &m_checkWindow);
        const xcb_atom_t supports[] = {m_activeWindow, check};
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, m_root, supported, XCB_ATOM_ATOM, 32, 2, supports);
        // Activation requests come to the root window as structure events.
        const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &events);
        xcb_flush(m_connection);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { handleEvents(); });
        m_poll.start(5);
    }

    ~FocusOnMapWindowManager()
    {
        xcb_delete_property(m_connection, m_root, atom("_NET_SUPPORTED"));
        xcb_delete_property(m_connection, m_root, atom("_NET_SUPPORTING_WM_CHECK"));
        xcb_destroy_window(m_connection, m_checkWindow);
        xcb_disconnect(m_connection);
    }

    FocusOnMapWindowManager(const FocusOnMapWindowManager&) = delete;
    FocusOnMapWindowManager& operator=(const FocusOnMapWindowManager&) = delete;

    /// The window the X server sends keys to.
    xcb_window_t focus() const { return inputFocus(m_connection); }
    /// The windows that asked to be activated, in the order of their first request.
    QList<xcb_window_t> ignoredActivations() const { return m_ignoredActivations; }

private:
    xcb_atom_t atom(const char* name) const { return internAtom(m_connection, name); }

    void handleEvents()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            switch (event->response_type & 0x7f) {
            case XCB_MAP_NOTIFY: {
                const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                if (map->override_redirect || map->event != m_root)
                    break;
                // Told of every key typed into the window from now on.
                const uint32_t keys = XCB_EVENT_MASK_KEY_PRESS;
                xcb_change_window_attributes(m_connection, map->window, XCB_CW_EVENT_MASK, &keys);
                if (m_typing.hasExpired())
                    xcb_set_input_focus(m_connection, XCB_INPUT_FOCUS_POINTER_ROOT, map->window, XCB_CURRENT_TIME);
                break;
            }
            case XCB_KEY_PRESS:
                m_typing.setRemainingTime(1000);
                break;
            case XCB_CLIENT_MESSAGE:
                if (const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
                    message->type == m_activeWindow && !m_ignoredActivations.contains(message->window))
                    m_ignoredActivations.append(message->window);
                break;
            default:
                break;
            }
            free(event);
        }
        xcb_flush(m_connection);
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_window_t m_checkWindow = XCB_WINDOW_NONE;
    xcb_atom_t m_activeWindow = XCB_ATOM_NONE;
    QList<xcb_window_t> m_ignoredActivations;
    /// Until a second after the last key the user typed.
    QDeadlineTimer m_typing{0};
    QTimer m_poll;
};

} // namespace ostrevin::test
