#pragma once

#include <QWidget>
#include <functional>
#include <initializer_list>

class QMenu;
class QVBoxLayout;

namespace ostrevin {

class LocationPlannerViewModel;

namespace kit {
class IconButton;
}

namespace library {

/// Menu actions carry which gate enables them: editing the draft, or changing
/// the iPhone's location. Actions with neither are always enabled.
inline constexpr const char* editGateProperty = "ostrevinEditGate";
inline constexpr const char* changeGateProperty = "ostrevinChangeGate";

/// A column without margins, by default without spacing either (the panels' row lists).
QVBoxLayout* columnLayout(QWidget* container, int spacing = 0);
/// Deletes every widget of the layout (the rows of a list being rebuilt).
void clearLayout(QVBoxLayout* layout);
/// The trailing buttons of a row, side by side.
QWidget* trailingBox(std::initializer_list<QWidget*> buttons);
/// A row's "More actions" button: opens the row's menu below itself.
kit::IconButton* menuButton(QMenu* menu);
/// Calls `sync` whenever canEditRouteDraft or canChangeIPhoneLocation may have changed.
void connectGates(LocationPlannerViewModel& viewModel, QObject* context, std::function<void()> sync);
/// Enables the menu's gated actions by the two gates.
void applyGates(QMenu* menu, bool canEdit, bool canChange);

} // namespace library
} // namespace ostrevin
