#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace ostrevin::kit {

/// The controls under root that Tab stops at, in reading order: each widget's
/// layout in its order, then children placed by hand (a bar over the map) in the
/// order they were made. Only what is shown, enabled and takes Tab counts; so the
/// order holds however late a part was built, and rows moved in their layout are
/// read where they now stand.
QList<QWidget*> tabStops(const QWidget& root);

/// Moves the keyboard focus of window to its next (or previous) Tab stop in
/// reading order, round the whole window, and scrolls the stop into view. False
/// when the window has no stop. With no focus in the window, lost (the control
/// that had it until it was disabled under it) takes it back, or Tab goes on
/// from there.
bool focusNextStop(QWidget& window, bool next, QWidget* lost = nullptr);

/// Presses the focused button of window when it can act; true if it did.
bool pressFocusedButton(const QWidget& window);

/// Outside dialogs buttons take only Space: in window, Return and Enter press the
/// focused button too. Fields and lists that use Return take it before it gets here.
void pressFocusedButtonOnReturn(QWidget& window);

/// One press, one action: until owner goes, the auto-repeats of a held Return, Enter
/// or Escape reach nothing in the program. Buttons, dialogs, shortcuts and fields act
/// on every press they are given, repeats too, so a held key would go on to act in
/// whatever came up under it: a box that opened while the key was down, then the
/// window behind it.
void ignoreHeldActionKeys(QObject& owner);

/// Gives the keyboard back to a control of area that lost it because work disabled
/// it under the focus (a send to the iPhone, a planning): when the owner says the
/// work is over, that control, or the first one shown after it that can take the
/// focus, has it again. Without this the window has no focus, and the next key or
/// the window's next activation (a notice box closed) picks its first control; or
/// Qt has moved it to whatever control follows, outside the area too.
///
/// A focus the user gives elsewhere in the window meanwhile ends the wait (a click,
/// also one into the window while it was not active yet; Tab; a shortcut), and so
/// does a press that a control of the window takes, whether or not it moves the focus
/// (the field that already has it, a chip); one the window gives itself on becoming
/// active again does not, nor a press on its empty space or on a disabled control.
/// A window that is not active (a notice box over it) gets the control as the one to
/// focus once it is; a control that work takes while it was not (Qt then moves its
/// focus unseen) is watched: only then does the wait begin. So is a control that a
/// click into the window, before it was active, gave the focus and work took at once.
class FocusReturn final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FocusReturn)

public:
    /// What takes a control from under the focus: only disabling it, or hiding it too,
    /// the area included (stopping a route hides Stop route, and the control bar until
    /// the point reached is held).
    enum class Taken { whenDisabled, whenDisabledOrHidden };

    explicit FocusReturn(QWidget& area, Taken taken = Taken::whenDisabled);

    /// The work that disabled controls of the area is over. With none of them able to
    /// take the focus yet, it waits for the next call.
    void workEnded();

    /// The control that takes the place of the area's when work leaves none of them
    /// (Stop route for Start route once the route plays; what follows a control bar
    /// that left): standIn names it, or none while there is none yet. Without it the
    /// keyboard would stay where Qt moved it, on whatever follows in the window.
    void setStandIn(std::function<QWidget*()> standIn);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusChanged(QWidget* old, QWidget* now);
    bool isTaken(const QWidget& control) const;
    /// Ends the wait when a control of the window took a press since it began; true if
    /// it did.
    bool endIfPressed();
    /// A click into the area's window while it was not active has placed the focus,
    /// and the window is not active yet.
    bool clickedBeforeActivation() const;
    /// Follows control, the area's control with the window's focus (or none).
    void watch(QWidget* control);
    /// Remembers taken and the controls after it, until the work is over.
    void wait(QWidget& taken);
    void forget();

    QWidget& m_area;
    Taken m_taken;
    /// The control that lost the focus, then those shown after it in reading order.
    QList<QPointer<QWidget>> m_heirs;
    /// Where the focus last was in the area's window, when in the area; watched while
    /// the window is not active.
    QPointer<QWidget> m_lastInArea;
    /// The window's last press on a control when the wait began.
    quint64 m_lastPressBeforeWait = 0;
    std::function<QWidget*()> m_standIn;
};

} // namespace ostrevin::kit
