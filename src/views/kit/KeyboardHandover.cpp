#include "views/kit/KeyboardHandover.h"

#include "platform/X11Keyboard.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <functional>

#if OSTREVIN_HAVE_XCB
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
#endif

namespace ostrevin::kit {

namespace {

#if OSTREVIN_HAVE_XCB
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

/// Where the X server's keyboard focus went when a window of this program that had
/// it closed. Without a window manager it falls to the root window, and twm puts it
/// on nobody: the keys are then this program's to give, although a focus on nobody
/// otherwise means another program's (under XWayland, a Wayland window's). Only
/// until anything else moves the focus: a window that takes it, or someone who
/// moves it away from the root or from nobody.
class FocusFall final : public QObject, public QAbstractNativeEventFilter {
public:
    FocusFall(QObject& owner, xcb_connection_t* connection) : QObject(&owner)
    {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        // Only the root is told of a focus that moves between the root, nobody and
        // other programs' windows. Qt listens there too: its events stay selected.
        xcb_get_window_attributes_reply_t* attributes =
            xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, m_root), nullptr);
        const uint32_t mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_FOCUS_CHANGE;
        free(attributes);
        xcb_change_window_attributes(connection, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection);
        qApp->installNativeEventFilter(this);
        s_current = this;
    }
    ~FocusFall() override { qApp->removeNativeEventFilter(this); }

    /// Whether the focus, on the root or on nobody now, is still where it fell.
    static bool fellFromOwnWindow() { return s_current && s_current->m_fell; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_focus_in_event_t*>(message);
        const int type = event->response_type & 0x7f;
        // Grabs lend the keyboard for a while (a window manager's switcher), and a
        // focus that only follows the pointer into a window is nobody's move.
        if ((type != XCB_FOCUS_IN && type != XCB_FOCUS_OUT) || event->mode == XCB_NOTIFY_MODE_GRAB ||
            event->mode == XCB_NOTIFY_MODE_UNGRAB || event->detail == XCB_NOTIFY_DETAIL_POINTER)
            return false;
        if (event->event != m_root) {
            // A window of this program: it has the keys, or lost them. They fell
            // only when it had closed: a shown one lost them to someone.
            if (type == XCB_FOCUS_OUT && event->detail != XCB_NOTIFY_DETAIL_INFERIOR)
                m_fell = !isShown(event->event);
            else if (type == XCB_FOCUS_IN)
                m_fell = false;
        } else if (m_fell) {
            // The fall's own steps: down to the root, or from a window (the closed
            // one's frame) to nobody. Anything else is someone moving the focus.
            const bool toRoot = type == XCB_FOCUS_IN && event->detail == XCB_NOTIFY_DETAIL_INFERIOR;
            const bool toNobody = type == XCB_FOCUS_IN && (event->detail == XCB_NOTIFY_DETAIL_NONE ||
                                                           event->detail == XCB_NOTIFY_DETAIL_POINTER_ROOT);
            const bool fromWindow = type == XCB_FOCUS_OUT && (event->detail == XCB_NOTIFY_DETAIL_VIRTUAL ||
                                                              event->detail == XCB_NOTIFY_DETAIL_NONLINEAR_VIRTUAL);
            m_fell = toRoot || toNobody || fromWindow;
        }
        return false;
    }

private:
    static bool isShown(xcb_window_t id)
    {
        for (QWindow* window : QGuiApplication::allWindows()) {
            if (window->handle() && static_cast<xcb_window_t>(window->winId()) == id)
                return window->isVisible();
        }
        return false;
    }

    static inline QPointer<FocusFall> s_current;
    xcb_window_t m_root = XCB_WINDOW_NONE;
    bool m_fell = false;
};

/// Whether the keys go nowhere or to this program: with the focus on the root
/// they follow the pointer, which must then be over one of its windows. A focus on
/// nobody is another program's (under XWayland it means that a Wayland window has
/// the keyboard), unless it fell there, or to the root window, from one of this
/// program's windows as it closed.
bool keyboardIsFree(xcb_connection_t* connection)
{
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr);
    if (!reply)
        return false;
    xcb_window_t focused = reply->focus;
    free(reply);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    if (focused == XCB_NONE)
        return FocusFall::fellFromOwnWindow();
    // Fallen to the root window, the keys go to the window under the pointer as when
    // they follow it: another program's while the user types there.
    if (focused == root && !FocusFall::fellFromOwnWindow())
        return false;
    if (focused == XCB_INPUT_FOCUS_POINTER_ROOT || focused == root) {
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

/// Whose keyboard a window may take: a later launch is the user asking for the
/// window, wherever the keys were.
enum class From { noOtherProgram, anyProgram };

/// Whether the user is in another program: a window of this one mapped now would
/// take the keys meant for it.
bool anotherProgramHasKeyboard()
{
#if OSTREVIN_HAVE_XCB
    xcb_connection_t* connection = x11::connection();
    return connection && !keyboardIsFree(connection);
#else
    return false;
#endif
}

void take([[maybe_unused]] QWidget& window, [[maybe_unused]] From from)
{
#if OSTREVIN_HAVE_XCB
    xcb_connection_t* connection = x11::connection();
    // Raised and focused only when that takes nothing from another program.
    if (!connection || (from == From::noOtherProgram && !keyboardIsFree(connection)))
        return;
    window.raise();
    window.activateWindow();
    // A widget has no window handle until it has a native window of its own.
    window.winId();
    x11::takeKeyboard(*window.windowHandle());
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

/// The box that blocks window's keys (the latest window-modal one over it), if any.
QWidget* boxOver(const QWidget& window)
{
    QWidget* modal = QApplication::activeModalWidget();
    for (QWidget* owner = modal; owner; owner = owner->parentWidget()) {
        if (owner == &window)
            return modal;
    }
    return nullptr;
}

/// Marks a box the user asked for (the question before quitting) from when it is
/// asked until it closes.
constexpr const char* askedForProperty = "ostrevinAskedFor";

/// The box the user asked for over window, open or about to open (waiting for the
/// alarm), if any.
QDialog* askedForOver(const QWidget& window)
{
    for (QDialog* box : window.findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
        if (box->property(askedForProperty).toBool())
            return box;
    }
    return nullptr;
}

/// Runs then once none of the alarm's windows is shown any more, unless window
/// goes first (it owns the wait); then learns whether the alarm had the keyboard
/// as it went, which makes the keys this program's to give.
class AfterAlarm final : public QObject {
public:
    AfterAlarm(QWidget& window, const QList<QWindow*>& alarms, std::function<void(bool alarmHadKeyboard)> then)
        : QObject(&window), m_then(std::move(then))
    {
        for (QWindow* alarm : alarms) {
            connect(alarm, &QWindow::visibleChanged, this, [this](bool visible) {
                // Told before the window system hides the window: once it has, the
                // keys are nobody's, as a Wayland window's are under XWayland.
                if (!visible && !anotherProgramHasKeyboard())
                    m_hadKeyboard = true;
                recheck();
            });
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
                    then(m_hadKeyboard);
            },
            Qt::QueuedConnection);
    }

    std::function<void(bool)> m_then;
    bool m_queued = false;
    bool m_hadKeyboard = false;
};

From keyboardAfterAlarm(bool alarmHadKeyboard, From from)
{
    return alarmHadKeyboard ? From::anyProgram : from;
}

void takeUnlessAlarm(QWidget& window, From from)
{
    const QList<QWindow*> alarms = alarmWindows(window);
    if (alarms.isEmpty())
        take(window, from);
    else
        new AfterAlarm(window, alarms, [&window, from](bool alarmHadKeyboard) {
            if (window.isVisible())
                takeUnlessAlarm(window, keyboardAfterAlarm(alarmHadKeyboard, from));
        });
}

class TakeOnExpose final : public QObject {
public:
    TakeOnExpose(QWidget& window, From from) : QObject(&window), m_window(window), m_from(from)
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
                        takeUnlessAlarm(m_window, m_from);
                    deleteLater();
                },
                Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget& m_window;
    From m_from;
};

void takeWhenShown(QWidget& window, From from)
{
    // Elsewhere Qt's own request stands: only X11 drops it by its time stamp.
    if (QGuiApplication::platformName() != u"xcb")
        return;
    window.winId();
    if (window.windowHandle()->isExposed())
        takeUnlessAlarm(window, from);
    else
        new TakeOnExpose(window, from);
}

void openDialog(QDialog& dialog, From from);

/// A dialog waiting to open, for the alarm to go or for the user to come back to
/// this program: a close meanwhile rejects it, as closing an open one does.
class OpenLater final : public QObject, public QAbstractNativeEventFilter {
public:
    OpenLater(QDialog& dialog, From from) : QObject(&dialog), m_dialog(dialog), m_from(from)
    {
        dialog.installEventFilter(this);
    }

    void afterAlarm(const QList<QWindow*>& alarms)
    {
        m_alarmWait = new AfterAlarm(
            m_dialog, alarms, [this](bool alarmHadKeyboard) { open(keyboardAfterAlarm(alarmHadKeyboard, m_from)); });
    }

    /// Opened now, over a box the user asked for, it would take the keys its answer is
    /// typed with (an Escape meant to cancel quitting would close it instead).
    void afterAskedFor(QDialog& asked)
    {
        const auto reopen = [this] {
            if (!m_askedQueued) {
                m_askedQueued = true;
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        // Closed meanwhile, it stays closed.
                        if (m_waiting)
                            open(m_from);
                    },
                    Qt::QueuedConnection);
            }
        };
        connect(&asked, &QDialog::finished, this, reopen);
        connect(&asked, &QObject::destroyed, this, reopen);
    }

    /// Mapped now, the dialog would ask for the keyboard (Qt does for every modal
    /// window) and the keys the user types in the other program would answer it.
    /// Its window asks for the user's attention instead.
    void whenBack()
    {
        qApp->installNativeEventFilter(this);
        QWidget* owner = m_dialog.parentWidget();
        QApplication::alert(owner ? owner->window() : &m_dialog);
    }

    bool nativeEventFilter([[maybe_unused]] const QByteArray& eventType, [[maybe_unused]] void* message,
                           qintptr*) override
    {
#if OSTREVIN_HAVE_XCB
        // The X server tells a window that the keys come to it, also the one under the
        // pointer when they follow it; Qt counts that one as no active window, and under
        // XWayland may go on counting one active after a Wayland window took the keys.
        if (!m_checkQueued && eventType == "xcb_generic_event_t" &&
            (static_cast<const xcb_generic_event_t*>(message)->response_type & 0x7f) == XCB_FOCUS_IN) {
            m_checkQueued = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_checkQueued = false;
                    // Closed meanwhile, it stays closed.
                    if (m_waiting && !anotherProgramHasKeyboard())
                        open(m_from);
                },
                Qt::QueuedConnection);
        }
#endif
        return false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_dialog && event->type() == QEvent::Close && !m_dialog.isVisible()) {
            stopWaiting();
            m_dialog.done(QDialog::Rejected);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void stopWaiting()
    {
        m_waiting = false;
        m_dialog.removeEventFilter(this);
        qApp->removeNativeEventFilter(this);
        if (m_alarmWait)
            m_alarmWait->cancel();
        deleteLater();
    }

    void open(From from)
    {
        stopWaiting();
        openDialog(m_dialog, from);
    }

    QDialog& m_dialog;
    From m_from;
    QPointer<AfterAlarm> m_alarmWait;
    bool m_waiting = true;
    bool m_checkQueued = false;
    bool m_askedQueued = false;
};

#if OSTREVIN_HAVE_XCB
/// Keys that come to the window an open box blocks reach nothing there. Qt hands
/// them on to the box through the window manager, stamped with the time of the last
/// event it saw, and openbox refuses that after a click on the blocked window: the
/// keyboard would stay there until the box is clicked. The box takes it itself.
class KeysToBox final : public QObject, public QAbstractNativeEventFilter {
public:
    explicit KeysToBox(QDialog& box) : QObject(&box), m_box(box)
    {
        box.installEventFilter(this);
        qApp->installNativeEventFilter(this);
    }
    ~KeysToBox() override { qApp->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        const QWidget* owner = m_box.parentWidget();
        if (m_queued || !owner || eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_focus_in_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_FOCUS_IN || event->detail == XCB_NOTIFY_DETAIL_POINTER ||
            event->event != static_cast<xcb_window_t>(owner->window()->internalWinId()))
            return false;
        m_queued = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_queued = false;
                // The alarm keeps the keys; a later box over this one takes them.
                if (boxOver(*m_box.parentWidget()->window()) == &m_box && alarmWindows(m_box).isEmpty())
                    take(m_box, From::noOtherProgram);
            },
            Qt::QueuedConnection);
        return false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_box && event->type() == QEvent::Hide)
            deleteLater();
        return QObject::eventFilter(watched, event);
    }

private:
    QDialog& m_box;
    bool m_queued = false;
};

/// The window manager's close for window (a dock's or a taskbar's Quit, the close
/// of an overview): Qt drops it while a box blocks the window, and the user who
/// asked would see nothing, then or after answering the box. A dropped close brings
/// the window forward with its box and is answered once no box is over the window;
/// while the question before quitting is open, that question answers it.
class CloseFromOutside final : public QObject, public QAbstractNativeEventFilter {
public:
    CloseFromOutside(QWidget& window, xcb_connection_t* connection) : QObject(&window), m_window(window)
    {
        m_protocols = atom(connection, "WM_PROTOCOLS");
        m_deleteWindow = atom(connection, "WM_DELETE_WINDOW");
        qApp->installNativeEventFilter(this);
        window.installEventFilter(this);
    }
    ~CloseFromOutside() override { qApp->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_client_message_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE || event->format != 32 || event->type != m_protocols ||
            event->data.data32[0] != m_deleteWindow ||
            event->window != static_cast<xcb_window_t>(m_window.internalWinId()))
            return false;
        // Qt hands the close on, or drops it, before anything queued now runs.
        m_reached = false;
        if (!m_checkQueued) {
            m_checkQueued = true;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_checkQueued = false;
                    if (!m_reached)
                        dropped();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == &m_window && event->type() == QEvent::Close) {
            m_reached = true;
        } else if (watched != &m_window && event->type() == QEvent::Hide) {
            watched->removeEventFilter(this);
            // Once the box is gone: a box opened over it meanwhile is answered first.
            QMetaObject::invokeMethod(this, &CloseFromOutside::answerOnceFree, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static xcb_atom_t atom(xcb_connection_t* connection, const char* name)
    {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return atom;
    }

    void dropped()
    {
        if (boxOver(m_window))
            bringForward(m_window);
        m_pending = true;
        answerOnceFree();
    }

    void answerOnceFree()
    {
        if (!m_pending)
            return;
        if (askedForOver(m_window)) {
            m_pending = false;
            return;
        }
        if (QWidget* box = boxOver(m_window); box && box->isVisible()) {
            box->installEventFilter(this);
            return;
        }
        m_pending = false;
        m_window.close();
    }

    QWidget& m_window;
    xcb_atom_t m_protocols = XCB_ATOM_NONE;
    xcb_atom_t m_deleteWindow = XCB_ATOM_NONE;
    bool m_reached = false;
    bool m_checkQueued = false;
    /// A close dropped and not answered yet.
    bool m_pending = false;
};
#endif

void openDialog(QDialog& dialog, From from)
{
    if (const QList<QWindow*> alarms = alarmWindows(dialog); !alarms.isEmpty()) {
        (new OpenLater(dialog, from))->afterAlarm(alarms);
        return;
    }
    // Also after an alarm that had the keyboard: the keys are then this program's,
    // and still the question's to answer with.
    if (QWidget* owner = dialog.parentWidget(); owner && !dialog.property(askedForProperty).toBool()) {
        if (QDialog* asked = askedForOver(*owner->window())) {
            (new OpenLater(dialog, from))->afterAskedFor(*asked);
            return;
        }
    }
    if (from == From::noOtherProgram && anotherProgramHasKeyboard()) {
        (new OpenLater(dialog, from))->whenBack();
        return;
    }
    dialog.open();
#if OSTREVIN_HAVE_XCB
    if (x11::connection())
        new KeysToBox(dialog);
#endif
    takeWhenShown(dialog, from);
}

} // namespace

void takeKeyboardWhenShown(QWidget& window)
{
    takeWhenShown(window, From::noOtherProgram);
}

void bringForward(QWidget& window)
{
    if (const QList<QWindow*> alarms = alarmWindows(window); !alarms.isEmpty()) {
        // The user asked for this program, and the alarm is what it shows above all
        // else: the alarm has the keys until it goes, not the program hidden under it.
        if (!alarms.contains(QGuiApplication::focusWindow())) {
            QWindow* alarm = alarms.first();
            for (QWindow* onScreen : alarms) {
                if (onScreen->screen() == window.screen())
                    alarm = onScreen;
            }
            if (QWidget* panel = QWidget::find(alarm->winId()))
                take(*panel, From::anyProgram);
        }
        new AfterAlarm(window, alarms, [&window](bool) { bringForward(window); });
        return;
    }
    window.show();
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.raise();
    // A window-modal box blocks the window's keys: the box takes them.
    QWidget* box = boxOver(window);
    QWidget* target = box ? box : &window;
    target->raise();
    target->activateWindow();
    takeWhenShown(*target, From::anyProgram);
}

void openWithKeyboard(QDialog& dialog)
{
    openDialog(dialog, From::noOtherProgram);
}

void openAskedFor(QDialog& dialog)
{
    dialog.setProperty(askedForProperty, true);
    QObject::connect(&dialog, &QDialog::finished, &dialog, [&dialog] { dialog.setProperty(askedForProperty, false); });
    // The window first: openbox leaves a minimised window minimised once a box of
    // its own is open over it.
    if (QWidget* owner = dialog.parentWidget())
        bringForward(*owner->window());
    openDialog(dialog, From::anyProgram);
}

void followFocusFalls([[maybe_unused]] QObject& owner)
{
#if OSTREVIN_HAVE_XCB
    if (xcb_connection_t* connection = x11::connection())
        new FocusFall(owner, connection);
#endif
}

void answerClosesFromOutside([[maybe_unused]] QWidget& window)
{
#if OSTREVIN_HAVE_XCB
    if (xcb_connection_t* connection = x11::connection())
        new CloseFromOutside(window, connection);
#endif
}

} // namespace ostrevin::kit
