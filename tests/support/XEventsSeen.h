#pragma once

#include "support/XInputFocus.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QTest>
#include <qguiapplication_platform.h>
#include <xcb/xcb.h>

namespace ostrevin::test {

/// Waits until this process has handled every event the X server sent it before the
/// call: true once it has, within timeoutMs.
///
/// Another client that moves the keyboard focus (a program the user goes to, a window
/// manager) has the server's word at once that the focus is there, but this program
/// learns of it only as it reads its own events, later and later the busier the machine.
/// A test that makes the program decide something right after such a move must wait for
/// this first, or the program decides on what it knew before the move. The server sends
/// its events in order, so a mark made now arrives after everything it sent before.
inline bool xEventsSeenUpToNow(int timeoutMs = 5000)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || QGuiApplication::platformName() != u"xcb")
        return true;
    xcb_connection_t* connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const xcb_atom_t mark = internAtom(connection, "_OSTREVIN_TEST_EVENTS_SEEN");

    // Qt listens for property changes on the root window: it follows the desktop's settings there.
    class MarkSeen final : public QAbstractNativeEventFilter {
    public:
        MarkSeen(xcb_window_t root, xcb_atom_t mark) : m_root(root), m_mark(mark) {}
        bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
        {
            const auto* event = static_cast<const xcb_property_notify_event_t*>(message);
            if (eventType == "xcb_generic_event_t" && (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                event->window == m_root && event->atom == m_mark)
                seen = true;
            return false;
        }
        bool seen = false;

    private:
        xcb_window_t m_root;
        xcb_atom_t m_mark;
    } filter(root, mark);
    qApp->installNativeEventFilter(&filter);
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, root, mark, XCB_ATOM_STRING, 8, 0, nullptr);
    xcb_flush(connection);
    const bool seen = QTest::qWaitFor([&] { return filter.seen; }, timeoutMs);
    qApp->removeNativeEventFilter(&filter);
    return seen;
}

} // namespace ostrevin::test
