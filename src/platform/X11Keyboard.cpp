#include "platform/X11Keyboard.h"

#include <QGuiApplication>
#include <QWindow>

#if OSTREVIN_HAVE_XCB
#include <qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace ostrevin::x11 {

xcb_connection_t* connection()
{
#if OSTREVIN_HAVE_XCB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 && QGuiApplication::platformName() == u"xcb" ? x11->connection() : nullptr;
#else
    return nullptr;
#endif
}

void takeKeyboard([[maybe_unused]] const QWindow& window)
{
#if OSTREVIN_HAVE_XCB
    xcb_connection_t* x11 = connection();
    if (!x11 || !window.handle())
        return;
    xcb_set_input_focus(x11, XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(window.winId()), XCB_CURRENT_TIME);
    xcb_flush(x11);
#endif
}

} // namespace ostrevin::x11
