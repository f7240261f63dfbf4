#include "alerts/LocationSafetyAlarmPanel.h"

#include "platform/X11Keyboard.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#if OSTREVIN_HAVE_XCB
#include <cstdlib>
#include <xcb/xcb.h>
#endif

namespace ostrevin {

namespace {

/// On X11, puts the window on every virtual desktop, so switching desktops never
/// leaves the alarm behind. Must run before the window is first shown.
void showOnEveryDesktop([[maybe_unused]] QWidget& window)
{
#if OSTREVIN_HAVE_XCB
    xcb_connection_t* connection = x11::connection();
    if (!connection)
        return;
    static constexpr char name[] = "_NET_WM_DESKTOP";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    if (!atom)
        return;
    const uint32_t allDesktops = 0xFFFFFFFF;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window.winId()), atom->atom,
                        XCB_ATOM_CARDINAL, 32, 1, &allDesktops);
    free(atom);
#endif
}

bool isReturn(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

/// Whether the X server has the key with that native code down now; unknown off X11
/// and for a key without a code.
std::optional<bool> keyIsDown([[maybe_unused]] quint32 code)
{
#if OSTREVIN_HAVE_XCB
    xcb_connection_t* connection = x11::connection();
    if (!connection || code == 0 || code > 255)
        return std::nullopt;
    xcb_query_keymap_reply_t* keymap = xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr);
    if (!keymap)
        return std::nullopt;
    const bool down = keymap->keys[code / 8] & (1U << (code % 8));
    free(keymap);
    return down;
#else
    return std::nullopt;
#endif
}

} // namespace

LocationSafetyAlarmPanel::LocationSafetyAlarmPanel(QScreen* screen)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_screen(screen)
{
    // Closing or hiding panels must never end the app, whatever the shell decides
    // about the last window.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (screen) {
        // The screen first, then the geometry: a full-screen window goes to the
        // screen it was put on, not to the one under the pointer.
        setScreen(screen);
        setGeometry(screen->geometry());
    }
    create();
    windowHandle()->installEventFilter(this);
    showOnEveryDesktop(*this);
}

LocationSafetyAlarmPanel::~LocationSafetyAlarmPanel() = default;

void LocationSafetyAlarmPanel::setContent(QWidget* content)
{
    if (m_content) {
        m_content->hide();
        layout()->removeWidget(m_content);
        m_content->deleteLater();
    }
    m_content = content;
    if (m_content)
        layout()->addWidget(m_content);
}

bool LocationSafetyAlarmPanel::holdsKeyboard() const
{
    return m_activateWhenExposed || hasKeyboardFocus();
}

bool LocationSafetyAlarmPanel::hasKeyboardFocus() const
{
#if OSTREVIN_HAVE_XCB
    // Ask the X server, which the keys follow: under XWayland Qt can go on calling
    // a window active after the compositor gave the keyboard to another program.
    if (xcb_connection_t* connection = x11::connection(); connection && internalWinId()) {
        const auto window = static_cast<xcb_window_t>(internalWinId());
        xcb_get_input_focus_reply_t* focus =
            xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
        if (!focus)
            return false;
        xcb_window_t focused = focus->focus;
        free(focus);
        if (focused == XCB_INPUT_FOCUS_POINTER_ROOT) {
            // No window manager: the keys go to the window under the pointer.
            const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
            xcb_query_pointer_reply_t* pointer =
                xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr);
            focused = pointer ? pointer->child : xcb_window_t(XCB_WINDOW_NONE);
            free(pointer);
        }
        return focused == window;
    }
#endif
    return isActiveWindow();
}

void LocationSafetyAlarmPanel::takeKeyboard()
{
    raise();
    x11::takeKeyboard(*windowHandle());
}

void LocationSafetyAlarmPanel::activateWhenShown()
{
    // X11 ignores a focus request for a window that is not mapped yet, and without a
    // window manager the keyboard then follows the pointer to whichever panel is
    // under it.
    m_activateWhenExposed = !windowHandle()->isExposed();
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

bool LocationSafetyAlarmPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (m_activateWhenExposed && event->type() == QEvent::Expose && windowHandle()->isExposed()) {
        m_activateWhenExposed = false;
        QMetaObject::invokeMethod(this, &LocationSafetyAlarmPanel::activateWhenShown, Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

bool LocationSafetyAlarmPanel::nativeEvent([[maybe_unused]] const QByteArray& eventType, [[maybe_unused]] void* message,
                                           qintptr* result)
{
#if OSTREVIN_HAVE_XCB
    // Told by the X server itself: Qt counts a window active as soon as it asked to be,
    // its request to the window manager coming back to it too.
    if (eventType == "xcb_generic_event_t" &&
        (static_cast<const xcb_generic_event_t*>(message)->response_type & 0x7f) == XCB_FOCUS_IN)
        emit keyboardCame();
#endif
    return QWidget::nativeEvent(eventType, message, result);
}

bool LocationSafetyAlarmPanel::returnIsDown() const
{
    // The release may go to another window; the X server knows of it wherever it went.
    return m_downKey && keyIsDown(*m_downKey).value_or(true);
}

void LocationSafetyAlarmPanel::keyPressEvent(QKeyEvent* event)
{
    if (!isReturn(*event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    // Known before the press acts: acknowledging closes the panels.
    m_downKey = event->nativeScanCode();
    // A key held since the alarm's first second, or since before the panel got the
    // keyboard, did not go down on it after the grace.
    if (!m_repeats.isRepeat(*event))
        emit returnPressed();
}

void LocationSafetyAlarmPanel::keyReleaseEvent(QKeyEvent* event)
{
    if (!isReturn(*event)) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    m_repeats.released(*event);
    // A repeat's release leaves the key down, also one that Qt does not mark.
    if (event->isAutoRepeat() || keyIsDown(event->nativeScanCode()).value_or(false)) {
        m_downKey = event->nativeScanCode();
    } else {
        m_downKey.reset();
        emit returnReleased();
    }
}

void LocationSafetyAlarmPanel::closeEvent(QCloseEvent* event)
{
    // A window-manager close (Alt+F4) would hide the alarm while its sound goes
    // on: only acknowledging ends it, and the controller hides panels itself.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

} // namespace ostrevin
