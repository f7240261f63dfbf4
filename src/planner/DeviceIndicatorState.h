#pragma once

#include <QString>

namespace ostrevin {

/// What the toolbar's device pill shows.
enum class DeviceIndicatorState { working, ready, needsSetup, notConnected };

/// "Working…", "Ready", "Needs setup", "Not connected", localised.
QString title(DeviceIndicatorState state);

} // namespace ostrevin
