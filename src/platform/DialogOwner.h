#pragma once

namespace ostrevin {

/// The window a dialog or a notice opens over: the one the user's action started
/// from. What the user did not start there (a failed hold, an interruption, a menu
/// command) belongs to the main window.
enum class DialogOwner { mainWindow, settingsWindow };

} // namespace ostrevin
