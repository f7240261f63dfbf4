#pragma once

#include "platform/DialogOwner.h"

class QWidget;

namespace ostrevin {

/// The window a dialog or notice of that owner opens over: the settings window
/// while it is open (shown and not minimised), else the main window. Null only
/// without a main window.
QWidget* dialogOwnerWindow(QWidget* mainWindow, DialogOwner owner);

} // namespace ostrevin
