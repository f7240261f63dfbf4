#include "alerts/LocationSafetyAlarmPanel.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#if OSTREVIN_HAVE_XCB
#include <cstdlib>
#include <qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace ostrevin {

namespace {

/// On X11, puts the window on every virtual desktop, so switching desktops never
/// leaves the alarm behind. Must run before the window is first shown.
void showOnEveryDesktop([[maybe_unused]] QWidget& window)
{
#if OSTREVIN_HAVE_XCB
    // The offscreen platform answers for X11 too, without a connection.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || QGuiApplication::platformName() != u"xcb" || !x11->connection())
        return;
    xcb_connection_t* connection = x11->connection();
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

void LocationSafetyAlarmPanel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit returnPressed();
        return;
    }
    QWidget::keyPressEvent(event);
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
