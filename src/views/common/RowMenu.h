#pragma once

#include <functional>

class QMenu;
class QObject;

namespace ostrevin {

class LocationPlannerViewModel;

namespace kit {
class IconButton;
}

namespace common {

/// Menu actions carry which gate enables them: editing the draft, or changing
/// the iPhone's location. Actions with neither are always enabled.
inline constexpr const char* editGateProperty = "ostrevinEditGate";
inline constexpr const char* changeGateProperty = "ostrevinChangeGate";

/// A row's "More actions" button: opens the row's menu below itself.
kit::IconButton* menuButton(QMenu* menu);
/// Calls `sync` whenever canEditRouteDraft or canChangeIPhoneLocation may have changed.
void connectGates(LocationPlannerViewModel& viewModel, QObject* context, std::function<void()> sync);
/// Enables the menu's gated actions by the two gates.
void applyGates(QMenu* menu, bool canEdit, bool canChange);

} // namespace common
} // namespace ostrevin
