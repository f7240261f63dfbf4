#include "app/ContentView.h"

#include "app/MainWindowView.h"
#include "planner/LocationPlannerViewModel.h"
#include "views/controls/SimulationControlBar.h"
#include "views/device/DeviceStatusPill.h"
#include "views/library/HistoryPanel.h"
#include "views/library/SavedPanel.h"
#include "views/map/RouteMapView.h"
#include "views/place/PlacePanel.h"
#include "views/route/RoutePanel.h"

namespace ostrevin {

MainWindowView* ContentView::build(LocationPlannerViewModel& viewModel, PlaceSearchService& placeSearch,
                                   QWidget* parent)
{
    auto* view = new MainWindowView(viewModel, parent);
    // Each area fills its slot here; slots that nobody filled stay empty.
    view->fill(MainWindowView::Slot::mapColumn, new RouteMapView(viewModel));
    view->fill(MainWindowView::Slot::placePanel, new PlacePanel(viewModel, placeSearch));
    view->fill(MainWindowView::Slot::routePanel, new RoutePanel(viewModel, placeSearch));
    view->fill(MainWindowView::Slot::savedPanel, new SavedPanel(viewModel));
    view->fill(MainWindowView::Slot::historyPanel, new HistoryPanel(viewModel));
    view->fill(MainWindowView::Slot::simulationControlBar,
               new SimulationControlBar(viewModel, viewModel.windowState()));
    view->fill(MainWindowView::Slot::deviceStatusPill, new DeviceStatusPill(viewModel, viewModel.windowState()));
    return view;
}

} // namespace ostrevin
