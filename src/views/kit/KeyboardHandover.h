#pragma once

class QDialog;
class QObject;
class QWidget;

namespace ostrevin::kit {

/// On X11, gives window (a dialog of this program) the keyboard once it is on
/// screen, unless another program holds it (under XWayland a Wayland window holds
/// it while the X server shows it on nobody). Qt asks for the focus when the window
/// is mapped, stamped with the time of the last event it saw; a window manager that
/// moved the focus since (twm does when the previous dialog closes) makes the X
/// server drop that request, and the keys then follow the pointer, into the
/// blocked main window when it is under it.
///
/// While the alarm is up it waits until the alarm is gone: the alarm's panels cover
/// every screen, and a window given the keyboard under them takes the keys typed at
/// the alarm unseen.
void takeKeyboardWhenShown(QWidget& window);

/// Opens dialog window-modal (through open()) and gives it the keyboard once shown.
/// While the alarm is up the dialog opens only after it: mapped under the alarm, the
/// window system would give it the keyboard (Qt asks for it for every modal
/// window). For the same reason, while the user is in another program it opens
/// only once the keys come back to this one, its window asking for attention
/// meanwhile; after an alarm that had the keyboard it takes it. Closed before it
/// opens, it ends as rejected. While it is open, keys that come to the window it
/// blocks go to it. While a dialog the user asked for (openAskedFor) is open over the
/// same window, or waits to open there, it waits until that one has closed.
void openWithKeyboard(QDialog& dialog);

/// Opens dialog window-modal (through open()) as the user asked for it from wherever
/// the keys were (the window manager's close, from a dock, a taskbar or an overview):
/// at once, its window brought forward as by bringForward, the dialog with the
/// keyboard. While the alarm is up all that waits until it is gone. Until it closes,
/// dialogs opened through openWithKeyboard over the same window wait for it.
void openAskedFor(QDialog& dialog);

/// Until owner goes, follows where the keyboard focus goes when a window of this
/// program that had it closes: without a window manager it falls to the root window,
/// and twm puts it on nobody. The keys are then still this program's to give: a
/// notice that comes next opens with them rather than waiting unseen as if the user
/// were in another program. Anything that moves the focus on ends that.
void followFocusFalls(QObject& owner);

/// Qt drops the window manager's close for a window that a box blocks (a Quit from
/// a dock while a notice or the question before quitting is open): window then
/// comes forward with the box, as for a later launch, and the close is answered
/// (window.close()) once no box is over it, unless the question before quitting,
/// open meanwhile, answers it.
void answerClosesFromOutside(QWidget& window);

/// Brings window to the front, shown and not minimised, with the keyboard (or, while
/// a box is open over it, the box with the keyboard), as a later launch of the
/// program asks: from whichever program had it. While the alarm is up all that
/// waits until it is gone: the keys the user types at the alarm stay the alarm's.
void bringForward(QWidget& window);

} // namespace ostrevin::kit
