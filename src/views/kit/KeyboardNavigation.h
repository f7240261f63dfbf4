#pragma once

#include <QList>

class QObject;
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

} // namespace ostrevin::kit
