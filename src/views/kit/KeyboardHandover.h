#pragma once

class QWidget;

namespace ostrevin::kit {

/// On X11, gives window (a dialog of this program) the keyboard once it is on
/// screen, unless another program holds it. Qt asks for the focus when the window
/// is mapped, stamped with the time of the last event it saw; a window manager that
/// moved the focus since (twm does when the previous dialog closes) makes the X
/// server drop that request, and the keys then follow the pointer, into the
/// blocked main window when it is under it.
void takeKeyboardWhenShown(QWidget& window);

} // namespace ostrevin::kit
