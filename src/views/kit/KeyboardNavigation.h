#pragma once

class QWidget;

namespace ostrevin::kit {

/// Presses the focused button of window when it can act; true if it did.
bool pressFocusedButton(const QWidget& window);

/// Outside dialogs buttons take only Space: in window, Return and Enter press the
/// focused button too. Fields and lists that use Return take it before it gets here.
void pressFocusedButtonOnReturn(QWidget& window);

} // namespace ostrevin::kit
