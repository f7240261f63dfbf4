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

#include <QPointer>

namespace ostrevin {

MainWindowView* ContentView::build(LocationPlannerViewModel& viewModel, PlaceSearchService& placeSearch,
                                   QWidget* parent)
{
    auto* view = new MainWindowView(viewModel, parent);
    // Each area fills its slot here; slots that nobody filled stay empty.
    view->fill(MainWindowView::Slot::mapColumn, new RouteMapView(viewModel));
    // Only the section shown is built now; the others when first shown.
    view->fillOnFirstShow(MainWindowView::Slot::placePanel,
                          [&viewModel, &placeSearch] { return new PlacePanel(viewModel, placeSearch); });
    auto* bar = new SimulationControlBar(viewModel, viewModel.windowState());
    view->fillOnFirstShow(MainWindowView::Slot::routePanel, [&viewModel, &placeSearch, bar = QPointer(bar)] {
        auto* panel = new RoutePanel(viewModel, placeSearch);
        panel->setStartRouteStandIn([bar]() -> QWidget* { return bar ? bar->stopRouteButton() : nullptr; });
        return panel;
    });
    view->fillOnFirstShow(MainWindowView::Slot::savedPanel, [&viewModel] { return new SavedPanel(viewModel); });
    view->fillOnFirstShow(MainWindowView::Slot::historyPanel, [&viewModel] { return new HistoryPanel(viewModel); });
    // After a reset the bar leaves: the keyboard goes into the side panel, as Ctrl and
    // a digit put it, not to the toolbar that follows the bar.
    bar->setKeyboardAfterLeaving([view] { return view->firstPanelControl(); });
    view->fill(MainWindowView::Slot::simulationControlBar, bar);
    view->fill(MainWindowView::Slot::deviceStatusPill, new DeviceStatusPill(viewModel, viewModel.windowState()));
    return view;
}

} // namespace ostrevin
