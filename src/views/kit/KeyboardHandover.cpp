#include "views/kit/KeyboardHandover.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <functional>

#if OSTREVIN_HAVE_XCB
#include <cstdlib>
#include <qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace ostrevin::kit {

namespace {

#if OSTREVIN_HAVE_XCB
xcb_connection_t* x11Connection()
{
    // The offscreen platform answers for X11 too, without a connection.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 && QGuiApplication::platformName() == u"xcb" ? x11->connection() : nullptr;
}

/// The child of the root that holds window: the window manager's frame around it.
xcb_window_t topLevelOf(xcb_connection_t* connection, xcb_window_t window)
{
    for (int depth = 0; window != XCB_WINDOW_NONE && depth < 16; ++depth) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
        if (!tree)
            return XCB_WINDOW_NONE;
        const xcb_window_t parent = tree->parent;
        const xcb_window_t root = tree->root;
        free(tree);
        if (parent == root || parent == XCB_WINDOW_NONE)
            return window;
        window = parent;
    }
    return XCB_WINDOW_NONE;
}

/// Whether the keys go nowhere or to this program: with the focus on the root
/// they follow the pointer, which must then be over one of its windows.
bool keyboardIsFree(xcb_connection_t* connection)
{
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    if (!reply)
        return false;
    xcb_window_t focused = reply->focus;
    free(reply);
    if (focused == XCB_NONE)
        return true;
    if (focused == XCB_INPUT_FOCUS_POINTER_ROOT) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_query_pointer_reply_t* pointer =
            xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr);
        focused = pointer ? pointer->child : xcb_window_t(XCB_WINDOW_NONE);
        free(pointer);
        if (focused == XCB_WINDOW_NONE)
            return true;
    }
    const xcb_window_t holder = topLevelOf(connection, focused);
    for (QWindow* window : QGuiApplication::allWindows()) {
        if (window->handle() && topLevelOf(connection, static_cast<xcb_window_t>(window->winId())) == holder)
            return true;
    }
    return false;
}
#endif

void take([[maybe_unused]] QWidget& window)
{
#if OSTREVIN_HAVE_XCB
    xcb_connection_t* connection = x11Connection();
    // Raised and focused only when that takes nothing from another program.
    if (!connection || !keyboardIsFree(connection))
        return;
    window.raise();
    window.activateWindow();
    // The current time is later than any focus change the window manager made.
    xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(window.winId()),
                        XCB_CURRENT_TIME);
    xcb_flush(connection);
#endif
}

/// The alarm's panels: shown windows of this program, other than window, that stay
/// above every other.
QList<QWindow*> alarmWindows(const QWidget& window)
{
    QList<QWindow*> alarms;
    for (QWindow* shown : QGuiApplication::topLevelWindows()) {
        const Qt::WindowType type = shown->type();
        if (shown->isVisible() && shown->flags().testFlag(Qt::WindowStaysOnTopHint) &&
            (type == Qt::Window || type == Qt::Dialog) && shown != window.windowHandle())
            alarms << shown;
    }
    return alarms;
}

/// Runs then once none of the alarm's windows is shown any more, unless window
/// goes first (it owns the wait).
class AfterAlarm final : public QObject {
public:
    AfterAlarm(QWidget& window, const QList<QWindow*>& alarms, std::function<void()> then)
        : QObject(&window), m_then(std::move(then))
    {
        for (QWindow* alarm : alarms) {
            connect(alarm, &QWindow::visibleChanged, this, &AfterAlarm::recheck);
            connect(alarm, &QObject::destroyed, this, &AfterAlarm::recheck);
        }
    }

    /// Closed while it waits: closing ends the wait.
    void cancel() { m_then = nullptr; }

private:
    void recheck()
    {
        if (m_queued)
            return;
        m_queued = true;
        // A new incident closes the panels and shows new ones in one go: only
        // what is shown once that settled counts.
        QMetaObject::invokeMethod(
            this,
            [this] {
                const auto then = std::exchange(m_then, nullptr);
                deleteLater();
                if (then)
                    then();
            },
            Qt::QueuedConnection);
    }

    std::function<void()> m_then;
    bool m_queued = false;
};

void takeUnlessAlarm(QWidget& window)
{
    const QList<QWindow*> alarms = alarmWindows(window);
    if (alarms.isEmpty())
        take(window);
    else
        new AfterAlarm(window, alarms, [&window] {
            if (window.isVisible())
                takeUnlessAlarm(window);
        });
}

class TakeOnExpose final : public QObject {
public:
    explicit TakeOnExpose(QWidget& window) : QObject(&window), m_window(window)
    {
        window.windowHandle()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            // After Qt's own handling of the expose, which may activate the window itself.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_window.isVisible())
                        takeUnlessAlarm(m_window);
                    deleteLater();
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget& m_window;
};

/// A dialog waiting for the alarm to go: a close meanwhile rejects it, as closing
/// an open one does.
class OpenAfterAlarm final : public QObject {
public:
    OpenAfterAlarm(QDialog& dialog, const QList<QWindow*>& alarms) : QObject(&dialog), m_dialog(dialog)
    {
        m_wait = new AfterAlarm(dialog, alarms, [this] {
            m_dialog.removeEventFilter(this);
            deleteLater();
            openWithKeyboard(m_dialog);
        });
        dialog.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_dialog && event->type() == QEvent::Close && !m_dialog.isVisible()) {
            m_dialog.removeEventFilter(this);
            if (m_wait)
                m_wait->cancel();
            m_dialog.done(QDialog::Rejected);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QDialog& m_dialog;
    QPointer<AfterAlarm> m_wait;
};

} // namespace

void takeKeyboardWhenShown(QWidget& window)
{
    // Elsewhere Qt's own request stands: only X11 drops it by its time stamp.
    if (QGuiApplication::platformName() != u"xcb")
        return;
    window.winId();
    if (window.windowHandle()->isExposed())
        takeUnlessAlarm(window);
    else
        new TakeOnExpose(window);
}

void bringForward(QWidget& window)
{
    if (const QList<QWindow*> alarms = alarmWindows(window); !alarms.isEmpty()) {
        new AfterAlarm(window, alarms, [&window] { bringForward(window); });
        return;
    }
    window.show();
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    // A window-modal box blocks the window's keys: the box takes them.
    QWidget* target = &window;
    if (QWidget* modal = QApplication::activeModalWidget()) {
        for (QWidget* owner = modal; owner; owner = owner->parentWidget()) {
            if (owner == &window)
                target = modal;
        }
    }
    target->raise();
    target->activateWindow();
    takeKeyboardWhenShown(*target);
}

void openWithKeyboard(QDialog& dialog)
{
    const QList<QWindow*> alarms = alarmWindows(dialog);
    if (!alarms.isEmpty()) {
        new OpenAfterAlarm(dialog, alarms);
        return;
    }
    dialog.open();
    takeKeyboardWhenShown(dialog);
}

} // namespace ostrevin::kit
