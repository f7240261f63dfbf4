#pragma once

namespace ostrevin {

/// Whether a device operation may ask the user for the administrator password
/// (to start the tunnel service). Only what the user started may: background
/// work that prompted would ask every few seconds, also while nobody is there.
enum class AdministratorPrompt { never, allowed };

} // namespace ostrevin
