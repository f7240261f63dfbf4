#include "views/kit/KeyboardNavigation.h"

#include "platform/KeyRepeats.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QEvent>
#include <QFocusEvent>
#include <QHash>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QScrollArea>
#include <QWidget>

namespace ostrevin::kit {

namespace {

void appendLayoutWidgets(const QLayout& layout, const QWidget& owner, QList<QWidget*>& widgets)
{
    for (int i = 0; i < layout.count(); ++i) {
        QLayoutItem* item = layout.itemAt(i);
        if (QWidget* widget = item->widget(); widget && widget->parentWidget() == &owner)
            widgets.append(widget);
        else if (const QLayout* inner = item->layout())
            appendLayoutWidgets(*inner, owner, widgets);
    }
}

/// The shown widgets under parent (with hiddenToo, all of them), depth first, in reading order.
void walk(const QWidget& parent, QList<QWidget*>& shown, bool hiddenToo = false)
{
    QList<QWidget*> children;
    if (const QLayout* layout = parent.layout())
        appendLayoutWidgets(*layout, parent, children);
    for (QObject* object : parent.children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isWindow() && !children.contains(child))
            children.append(child);
    }
    for (QWidget* child : std::as_const(children)) {
        if (child->isVisible() || hiddenToo) {
            shown.append(child);
            walk(*child, shown, hiddenToo);
        }
    }
}

bool isStop(const QWidget& widget)
{
    // As Qt's own chain: a widget that hands its focus to a proxy is no stop itself.
    return (widget.focusPolicy() & Qt::TabFocus) && widget.isEnabled() && !widget.focusProxy();
}

void focusStop(QWidget& stop, Qt::FocusReason reason)
{
    stop.setFocus(reason);
    for (QWidget* holder = stop.parentWidget(); holder; holder = holder->parentWidget()) {
        if (auto* scroll = qobject_cast<QScrollArea*>(holder))
            scroll->ensureWidgetVisible(&stop);
    }
}

class ReturnPressesFocusedButton final : public QObject {
public:
    explicit ReturnPressesFocusedButton(QWidget& window) : QObject(&window), m_window(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool isReturn = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (isReturn && !(key->modifiers() & ~Qt::KeypadModifier) && pressFocusedButton(m_window)) {
                event->accept();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget& m_window;
};

class HeldActionKeys final : public QObject {
public:
    explicit HeldActionKeys(QObject& owner) : QObject(&owner) { qApp->installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter && key->key() != Qt::Key_Escape)
            return QObject::eventFilter(watched, event);
        if (type == QEvent::KeyRelease) {
            m_repeats.released(*key);
            return QObject::eventFilter(watched, event);
        }
        if (!m_repeats.isRepeat(*key))
            return QObject::eventFilter(watched, event);
        // Accepted, a shortcut override keeps the key from every shortcut; the press
        // that Qt then delivers ends here too.
        event->accept();
        return true;
    }

private:
    KeyRepeats m_repeats;
};

} // namespace

QList<QWidget*> tabStops(const QWidget& root)
{
    QList<QWidget*> shown;
    walk(root, shown);
    QList<QWidget*> stops;
    for (QWidget* widget : std::as_const(shown)) {
        if (isStop(*widget))
            stops.append(widget);
    }
    return stops;
}

bool focusNextStop(QWidget& window, bool next, QWidget* lost)
{
    const Qt::FocusReason reason = next ? Qt::TabFocusReason : Qt::BacktabFocusReason;
    QList<QWidget*> shown;
    walk(window, shown);
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() != &window)
        focus = window.focusWidget();
    if (!focus && lost && lost->window() == &window && lost->isVisible()) {
        if (isStop(*lost)) {
            focusStop(*lost, reason);
            return true;
        }
        focus = lost;
    }
    // Where the focus sits in reading order, also when it is on no stop (the map).
    qsizetype at = -1;
    for (QWidget* widget = focus; widget && at < 0 && widget != &window; widget = widget->parentWidget())
        at = shown.indexOf(widget);
    const qsizetype count = shown.size();
    for (qsizetype step = 1; step <= count; ++step) {
        const qsizetype start = at < 0 ? (next ? -1 : count) : at;
        const qsizetype index = ((start + (next ? step : -step)) % count + count) % count;
        QWidget* candidate = shown.at(index);
        if (candidate == focus)
            return true;
        if (isStop(*candidate)) {
            focusStop(*candidate, reason);
            return true;
        }
    }
    return false;
}

bool pressFocusedButton(const QWidget& window)
{
    auto* button = qobject_cast<QAbstractButton*>(QApplication::focusWidget());
    if (!button || button->window() != &window || !button->isEnabled() || !button->isVisible())
        return false;
    button->click();
    return true;
}

void pressFocusedButtonOnReturn(QWidget& window)
{
    window.installEventFilter(new ReturnPressesFocusedButton(window));
}

void ignoreHeldActionKeys(QObject& owner)
{
    new HeldActionKeys(owner);
}

namespace {

/// The control that a press on pressed left with its window's focus, as Qt gives it on
/// a click: pressed or the first of its parents that takes it, through a focus proxy.
QWidget* focusedByPress(const QWidget& pressed)
{
    QWidget* focus = pressed.window()->focusWidget();
    for (const QWidget* widget = &pressed; focus && widget;
         widget = widget->isWindow() ? nullptr : widget->parentWidget()) {
        const QWidget* target = widget;
        while (target->focusProxy())
            target = target->focusProxy();
        if (target == focus)
            return focus;
    }
    return nullptr;
}

/// Which focus changes are the user's shows only in the events' reasons: one filter
/// for the whole program notes the last one. A click into a window that is not active
/// yet is the user's too: X11 delivers the press before the window manager activates
/// the window, and Qt then focuses the control without an event; the activation that
/// follows only delivers that focus.
class FocusReasons final : public QObject {
public:
    using QObject::QObject;
    /// The number of the last press that a control of window took (a press that went
    /// through to the window itself, on its empty space, a label or a disabled
    /// control, is none); presses are numbered in order across the program.
    quint64 lastControlPress(const QWidget& window) const { return m_controlPresses.value(&window); }

    Qt::FocusReason last = Qt::OtherFocusReason;
    /// The control such a click focused, until a focus comes.
    QPointer<QWidget> clicked;
    /// The control such a click focused, when the activation found the focus gone from
    /// it: work took it at once (a tap on Set location), with no focus change to see.
    QPointer<QWidget> clickedAndTaken;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The window and the style see the focus come too, the window first.
        if (event->type() == QEvent::FocusIn && watched->isWidgetType()) {
            last = static_cast<QFocusEvent*>(event)->reason();
            clickedAndTaken = last == Qt::ActiveWindowFocusReason && watched != clicked ? clicked : nullptr;
            if (last == Qt::ActiveWindowFocusReason && watched == clicked)
                last = Qt::MouseFocusReason;
            clicked = nullptr;
        } else if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
            auto* pressed = static_cast<QWidget*>(watched);
            const ulong timestamp = static_cast<QMouseEvent*>(event)->timestamp();
            if (event->spontaneous()) {
                // Seen after Qt gave the focus for the press.
                if (!pressed->isActiveWindow()) {
                    if (QWidget* focus = focusedByPress(*pressed))
                        clicked = focus;
                }
                notePress(*pressed, timestamp);
            } else if (m_press.counted && pressed == m_press.window && timestamp == m_press.timestamp) {
                // Qt offers a press that a widget does not take to its parents, as a
                // copy, the window last: no control took this one.
                m_controlPresses.insert(pressed, m_press.before);
                m_press.counted = false;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void notePress(const QWidget& pressed, ulong timestamp)
    {
        const QWidget* window = pressed.window();
        // A disabled button swallows the press (no click goes through it), and does nothing.
        m_press = {timestamp, window, m_controlPresses.value(window), !pressed.isWindow() && pressed.isEnabled()};
        if (m_press.counted)
            m_controlPresses.insert(window, ++m_pressCount);
    }

    struct Press {
        ulong timestamp = 0;
        QPointer<const QWidget> window;
        quint64 before = 0;
        bool counted = false;
    };
    Press m_press;
    quint64 m_pressCount = 0;
    QHash<const QWidget*, quint64> m_controlPresses;
};

QPointer<FocusReasons>& focusReasons()
{
    static QPointer<FocusReasons> reasons;
    return reasons;
}

} // namespace

FocusReturn::FocusReturn(QWidget& area, Taken taken) : QObject(&area), m_area(area), m_taken(taken)
{
    connect(qApp, &QApplication::focusChanged, this, &FocusReturn::focusChanged);
    if (!focusReasons()) {
        focusReasons() = new FocusReasons(qApp);
        qApp->installEventFilter(focusReasons());
    }
}

bool FocusReturn::isTaken(const QWidget& control) const
{
    return !control.isEnabled() || (m_taken == Taken::whenDisabledOrHidden && !control.isVisible());
}

void FocusReturn::setStandIn(std::function<QWidget*()> standIn)
{
    m_standIn = std::move(standIn);
}

bool FocusReturn::endIfPressed()
{
    // Whatever the press did with the focus: the user has put their hand on the window.
    if (m_heirs.isEmpty() || !focusReasons() ||
        focusReasons()->lastControlPress(*m_area.window()) <= m_lastPressBeforeWait)
        return false;
    forget();
    return true;
}

bool FocusReturn::clickedBeforeActivation() const
{
    const QWidget* clicked = focusReasons() ? focusReasons()->clicked : nullptr;
    return clicked && clicked->window() == m_area.window();
}

void FocusReturn::focusChanged(QWidget* old, QWidget* now)
{
    // Disabled (or hidden) under the focus, Qt hands it to the next control,
    // wherever that is (a map control outside the area), or drops it: that is the
    // work's doing. A control whose panel went out of sight, or a window left for
    // another, is not.
    const bool takenUnderFocus = old && isTaken(*old);
    const bool inWindow = now && now->window() == m_area.window();
    // The window has the keyboard again (a notice or the alarm closed): where it
    // puts the focus is no choice of the user's.
    const bool cameBack = inWindow && focusReasons() && focusReasons()->last == Qt::ActiveWindowFocusReason;
    endIfPressed();
    if (inWindow)
        watch(m_area.isAncestorOf(now) ? now : nullptr);
    if (!m_heirs.isEmpty()) {
        if (inWindow && !takenUnderFocus && !cameBack)
            forget();
        return;
    }
    if (takenUnderFocus && m_area.isAncestorOf(old)) {
        wait(*old);
        return;
    }
    if (QWidget* clicked = cameBack ? focusReasons()->clickedAndTaken.data() : nullptr;
        clicked && m_area.isAncestorOf(clicked)) {
        // The click that brought the window back went to a control that work took
        // before the window was active: it has the keyboard once the work is over.
        wait(*clicked);
        if (!isTaken(*clicked))
            workEnded();
    }
}

void FocusReturn::watch(QWidget* control)
{
    if (m_lastInArea == control)
        return;
    if (m_lastInArea)
        m_lastInArea->removeEventFilter(this);
    m_lastInArea = control;
    if (control)
        control->installEventFilter(this);
}

bool FocusReturn::eventFilter(QObject* watched, QEvent* event)
{
    // In a window that is not active (the alarm, a notice or another program has the
    // keyboard) Qt moves the focus off a control taken under it without a word: what
    // happens to the control itself tells. Unless a click went elsewhere meanwhile.
    const QEvent::Type type = event->type();
    if (type == QEvent::EnabledChange || type == QEvent::Hide)
        endIfPressed();
    if (watched == m_lastInArea && (type == QEvent::EnabledChange || type == QEvent::Hide) && m_heirs.isEmpty() &&
        !m_area.window()->isActiveWindow() && isTaken(*m_lastInArea) && !clickedBeforeActivation())
        wait(*m_lastInArea);
    return QObject::eventFilter(watched, event);
}

void FocusReturn::wait(QWidget& taken)
{
    m_lastPressBeforeWait = focusReasons() ? focusReasons()->lastControlPress(*m_area.window()) : 0;
    m_heirs.append(&taken);
    // Hidden ones too: what the area shows next once the work is over may be hidden now.
    QList<QWidget*> all;
    walk(m_area, all, true);
    for (qsizetype i = all.indexOf(&taken) + 1; i > 0 && i < all.size(); ++i)
        m_heirs.append(all.at(i));
}

void FocusReturn::workEnded()
{
    if (m_heirs.isEmpty() || endIfPressed())
        return;
    const auto canTake = [this](const QWidget* candidate) {
        return candidate && candidate->isVisible() && isStop(*candidate) && candidate->window() == m_area.window();
    };
    QWidget* heir = nullptr;
    for (const QPointer<QWidget>& candidate : std::as_const(m_heirs)) {
        if (canTake(candidate)) {
            heir = candidate;
            break;
        }
    }
    // None of the area's: the control that took their place, when there is one now.
    QWidget* standIn = heir || !m_standIn ? nullptr : m_standIn();
    if (canTake(standIn))
        heir = standIn;
    // None can take it yet (Set location waits for the iPhone to be back): the wait
    // goes on until one can, or the user puts the focus elsewhere.
    if (!heir)
        return;
    forget();
    // The user clicked a control of the window on the way back to it.
    if (clickedBeforeActivation())
        return;
    // An arrow key in a group of options picks the next one before the focus follows
    // it, and the pick disabled it: the keyboard belongs on the option picked. (Such a
    // group keeps only its focused option a tab stop, so the picked one is none yet.)
    if (auto* option = qobject_cast<QAbstractButton*>(heir);
        option && option->group() && option->group()->exclusive() && !option->isChecked()) {
        if (QAbstractButton* picked = option->group()->checkedButton();
            picked && picked->isVisible() && picked->isEnabled())
            heir = picked;
    }
    focusStop(*heir, Qt::OtherFocusReason);
    // In a window that is not active no focus change is reported: work that takes the
    // control now (a reset, busy a moment after it showed Finish reset) does so unseen.
    watch(m_area.isAncestorOf(heir) ? heir : nullptr);
}

void FocusReturn::forget()
{
    m_heirs.clear();
}

} // namespace ostrevin::kit
