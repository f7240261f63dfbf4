#pragma once

#include <QWidget>

namespace ostrevin {

class PlaceSearchService;

class LocationPlannerViewModel;
class MainWindowView;

/// Builds the main window's content over the view model and puts each area's
/// widget into its slot of MainWindowView. The one place where the panels, the
/// map, the control bar and the device pill are created.
struct ContentView {
    static MainWindowView* build(LocationPlannerViewModel& viewModel, PlaceSearchService& placeSearch,
                                 QWidget* parent = nullptr);
};

} // namespace ostrevin
