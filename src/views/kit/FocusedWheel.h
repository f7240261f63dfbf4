#pragma once

class QWidget;

namespace ostrevin::kit {

/// The wheel changes control (a menu, a slider) only while it has the keyboard
/// focus; otherwise it goes on to what holds the control, so a panel that scrolls
/// past it scrolls instead of changing its value. A wheel no longer gives the
/// control the focus.
void takeWheelOnlyWithFocus(QWidget& control);

} // namespace ostrevin::kit
